// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ipc/ipc_message.h"

#include <vector>

namespace velta {

namespace {

constexpr const char* kTypeNames[kInstallerMessageTypeCount] = {
    "IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS",
    "IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS",
    "IPC_MESSAGE_INSTALL_FOLDER_CREATED",
    "IPC_MESSAGE_TOTAL_STEPS",
    "IPC_MESSAGE_STEP_STARTING",
    "IPC_MESSAGE_STEP_FINISHED",
    "IPC_MESSAGE_IMPORTANT_EVENT",
    "IPC_MESSAGE_ERROR",
    "IPC_MESSAGE_SUCCESS",
    "IPC_MESSAGE_ENTERING_PHASE",
};

// One payload field of a message, as read back for shortening.
struct Field {
  enum class Kind { kInt, kString, kString16 };
  Kind kind = Kind::kInt;
  int number = 0;
  std::string text;
  std::wstring wide_text;

  size_t TextBytes() const {
    if (kind == Kind::kString)
      return text.size();
    if (kind == Kind::kString16)
      return wide_text.size() * sizeof(wchar_t);
    return 0;
  }
};

// The payload layout of each type: the fields that must be there, and those
// that may follow (the finished count of a step that older packages omit).
struct Layout {
  std::vector<Field::Kind> required;
  std::vector<Field::Kind> optional;
};

Layout GetLayout(int type) {
  using K = Field::Kind;
  switch (type) {
    case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS:
    case IPC_MESSAGE_TOTAL_STEPS:
    case IPC_MESSAGE_ENTERING_PHASE:
      return {{K::kInt}, {}};
    case IPC_MESSAGE_STEP_STARTING:
    case IPC_MESSAGE_IMPORTANT_EVENT:
      return {{K::kString}, {}};
    case IPC_MESSAGE_STEP_FINISHED:
      return {{K::kString, K::kInt}, {K::kInt}};
    case IPC_MESSAGE_ERROR:
      return {{K::kInt, K::kString16, K::kString}, {}};
    default:
      return {};
  }
}

bool ReadField(base::PickleIterator* iterator, Field::Kind kind, Field* field) {
  field->kind = kind;
  switch (kind) {
    case Field::Kind::kInt:
      return iterator->ReadInt(&field->number);
    case Field::Kind::kString:
      return iterator->ReadString(&field->text);
    case Field::Kind::kString16:
      return iterator->ReadString16(&field->wide_text);
  }
  return false;
}

base::Pickle Build(int type, const std::vector<Field>& fields) {
  base::Pickle message;
  message.WriteString(kInstallerMessageSignature);
  message.WriteInt(type);
  for (const Field& field : fields) {
    switch (field.kind) {
      case Field::Kind::kInt:
        message.WriteInt(field.number);
        break;
      case Field::Kind::kString:
        message.WriteString(field.text);
        break;
      case Field::Kind::kString16:
        message.WriteString16(field.wide_text);
        break;
    }
  }
  return message;
}

// Cuts `field`'s text to at most `bytes` bytes, without splitting a UTF-8
// sequence or a UTF-16 surrogate pair.
void CutText(Field* field, size_t bytes) {
  if (field->kind == Field::Kind::kString) {
    size_t size = std::min(bytes, field->text.size());
    while (size > 0 && size < field->text.size() &&
           (static_cast<unsigned char>(field->text[size]) & 0xC0) == 0x80) {
      --size;
    }
    field->text.resize(size);
  } else if (field->kind == Field::Kind::kString16) {
    size_t units = std::min(bytes / sizeof(wchar_t), field->wide_text.size());
    if (units > 0 && units < field->wide_text.size() && field->wide_text[units - 1] >= 0xD800 &&
        field->wide_text[units - 1] <= 0xDBFF) {
      --units;
    }
    field->wide_text.resize(units);
  }
}

}  // namespace

const char* GetInstallerMessageTypeName(int type) {
  if (type < 0 || type >= kInstallerMessageTypeCount)
    return "";
  return kTypeNames[type];
}

std::unique_ptr<base::Pickle> MakeInstallerMessage(InstallerMessageType type) {
  auto message = std::make_unique<base::Pickle>();
  message->WriteString(kInstallerMessageSignature);
  message->WriteInt(type);
  return message;
}

std::wstring GetInstallerMailslotName(const base::FilePath& install_folder) {
  return L"velta_installer\\" + install_folder.value();
}

std::wstring GetMailslotPath(const std::wstring& name) {
  return L"\\\\.\\mailslot\\" + name;
}

bool ShortenInstallerMessage(const base::Pickle& message, size_t max_size,
                             base::Pickle* shortened) {
  base::PickleIterator iterator(message);
  std::string signature;
  int type = 0;
  if (!iterator.ReadString(&signature) || signature != kInstallerMessageSignature ||
      !iterator.ReadInt(&type) || type < 0 || type >= kInstallerMessageTypeCount) {
    return false;
  }
  const Layout layout = GetLayout(type);
  std::vector<Field> fields;
  for (Field::Kind kind : layout.required) {
    fields.emplace_back();
    if (!ReadField(&iterator, kind, &fields.back()))
      return false;
  }
  for (Field::Kind kind : layout.optional) {
    Field field;
    if (!ReadField(&iterator, kind, &field))
      break;
    fields.push_back(std::move(field));
  }

  base::Pickle result = Build(type, fields);
  while (result.size() > max_size) {
    Field* longest = nullptr;
    for (Field& field : fields) {
      if (!longest || field.TextBytes() > longest->TextBytes())
        longest = &field;
    }
    if (!longest || longest->TextBytes() == 0)
      return false;  // Nothing left to cut: even the bare message is too long.
    const size_t excess = result.size() - max_size;
    const size_t before = longest->TextBytes();
    CutText(longest, before > excess ? before - excess : 0);
    if (longest->TextBytes() == before)
      CutText(longest, before - 1);
    result = Build(type, fields);
  }
  *shortened = std::move(result);
  return true;
}

}  // namespace velta
