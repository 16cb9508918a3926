// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/rich_static.h"

#include <commctrl.h>
#include <windowsx.h>
#include <string.h>

#include <cstdint>
#include <cwctype>
#include <map>
#include <string>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/ui/controls/image_utils.h"

namespace velta {

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr wchar_t kLinkOpen[] = L"<a ";
constexpr wchar_t kHrefOpen[] = L"href=\"";
constexpr wchar_t kLinkClose[] = L"</a>";

// The RTF of a hyperlink field around "$1" target "$2" text "$3".
constexpr char kFieldStart[] = "{\\field{\\*\\fldinst{HYPERLINK \"";
constexpr char kFieldMiddle[] = "\"}}{\\fldrslt{\\ul ";
constexpr char kFieldEnd[] = "}}}";

// `text` as RTF text: ASCII as it stands (the RTF's own marks escaped),
// every other letter as a Unicode escape, whatever the code page.
std::string RtfText(const std::wstring& text) {
  std::string rtf;
  for (const wchar_t c : text) {
    if (c == L'\\' || c == L'{' || c == L'}') {
      rtf.push_back('\\');
      rtf.push_back(static_cast<char>(c));
    } else if (c < 0x80) {
      rtf.push_back(static_cast<char>(c));
    } else {
      rtf += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
    }
  }
  return rtf;
}

// Keeps a shown control from drawing while its text and formats change (a
// rich-edit control draws at once after each change, and a transparent
// RichStatic's drawing is dear); at the end the control is drawn once. A
// hidden control, or one already kept from drawing, is left as it is
// (WM_SETREDRAW would show a hidden window).
class ScopedNoRedraw {
 public:
  explicit ScopedNoRedraw(HWND control)
      : control_((::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) ? control : nullptr) {
    if (control_)
      ::SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
  }
  ScopedNoRedraw(const ScopedNoRedraw&) = delete;
  ScopedNoRedraw& operator=(const ScopedNoRedraw&) = delete;
  ~ScopedNoRedraw() {
    if (!control_)
      return;
    ::SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(control_, nullptr, TRUE);
  }

 private:
  HWND control_;
};

constexpr wchar_t kFontLinkKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";
constexpr wchar_t kFontSubstitutesKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes";

// The faces the system's font link gives `face` for the letters it lacks
// ("file,face[,scaling]" entries), or its substitute's when it has none.
std::vector<std::wstring> ReadLinkedFaces(const std::wstring& face) {
  std::wstring name = face;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<std::wstring> entries;
    base::win::RegKey(HKEY_LOCAL_MACHINE, kFontLinkKey, KEY_READ)
        .ReadValues(name.c_str(), &entries);
    std::vector<std::wstring> faces;
    for (const std::wstring& entry : entries) {
      const size_t comma = entry.find(L',');
      if (comma == std::wstring::npos)
        continue;
      faces.push_back(entry.substr(comma + 1, entry.find(L',', comma + 1) - comma - 1));
    }
    if (!faces.empty())
      return faces;
    std::wstring substitute;
    if (base::win::RegKey(HKEY_LOCAL_MACHINE, kFontSubstitutesKey, KEY_READ)
                .ReadValue(name.c_str(), &substitute) != ERROR_SUCCESS ||
        substitute.empty()) {
      break;
    }
    name = substitute;
  }
  return {};
}

// The same, remembered for the process (main thread only).
const std::vector<std::wstring>& LinkedFaces(const std::wstring& face) {
  static std::map<std::wstring, std::vector<std::wstring>> known;
  const auto found = known.find(face);
  if (found != known.end())
    return found->second;
  return known.emplace(face, ReadLinkedFaces(face)).first->second;
}

// Whether the font `logfont` names has a glyph of its own for `c`.
bool HasGlyph(HDC dc, const LOGFONTW& logfont, wchar_t c) {
  HFONT font = ::CreateFontIndirectW(&logfont);
  if (!font)
    return false;
  HGDIOBJ old = ::SelectObject(dc, font);
  WORD glyph = 0xFFFF;
  ::GetGlyphIndicesW(dc, &c, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  return glyph != 0xFFFF;
}

// The linked face that draws `c` for the font `logfont` names, or empty;
// remembered for the process (main thread only).
std::wstring LinkedFaceFor(HDC dc, const LOGFONTW& logfont, wchar_t c) {
  static std::map<std::pair<std::wstring, wchar_t>, std::wstring> known;
  const auto key = std::make_pair(std::wstring(logfont.lfFaceName), c);
  const auto found = known.find(key);
  if (found != known.end())
    return found->second;
  std::wstring face;
  for (const std::wstring& linked : LinkedFaces(logfont.lfFaceName)) {
    LOGFONTW candidate = logfont;
    wcsncpy(candidate.lfFaceName, linked.c_str(), LF_FACESIZE - 1);
    candidate.lfFaceName[LF_FACESIZE - 1] = L'\0';
    if (HasGlyph(dc, candidate, c)) {
      face = linked;
      break;
    }
  }
  known[key] = face;
  return face;
}

struct StreamInState {
  const std::string* rtf;
  size_t offset;
};

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
  auto* state = reinterpret_cast<StreamInState*>(cookie);
  const size_t left = state->rtf->size() - state->offset;
  const size_t count = left < static_cast<size_t>(size) ? left : static_cast<size_t>(size);
  memcpy(buffer, state->rtf->data() + state->offset, count);
  state->offset += count;
  *read = static_cast<LONG>(count);
  return 0;
}

// A 32-bit top-down bitmap selected into a memory context, with its pixels
// (0x00RRGGBB) at hand.
class Canvas {
 public:
  Canvas(HDC compatible_with, int width, int height) : dc_(compatible_with) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<uint32_t*>(bits);
    if (bitmap_ && dc_.Get())
      old_ = ::SelectObject(dc_.Get(), bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() {
    if (old_)
      ::SelectObject(dc_.Get(), old_);
    if (bitmap_)
      ::DeleteObject(bitmap_);
  }

  bool valid() const { return old_ && pixels_; }
  HDC dc() const { return dc_.Get(); }
  uint32_t* pixels() const { return pixels_; }

 private:
  ScopedMemoryDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* pixels_ = nullptr;
};

// One channel of text drawn over `background`, from the same text drawn
// over white and over black: where the text covers a share of the pixel,
// the white and black versions differ by the share left uncovered.
uint32_t Blend(uint32_t on_white, uint32_t on_black, uint32_t background) {
  const int white = static_cast<int>(on_white & 0xFF);
  const int black = static_cast<int>(on_black & 0xFF);
  const int uncovered = white > black ? white - black : 0;
  const int under = static_cast<int>(background & 0xFF);
  return static_cast<uint32_t>(black + (uncovered * under + 127) / 255);
}

// Parses the markup; calls `text` for plain runs and `link` for each link.
template <typename TextFn, typename LinkFn>
void WalkMarkup(const std::wstring& markup, TextFn text, LinkFn link) {
  size_t position = 0;
  while (true) {
    const size_t open = markup.find(kLinkOpen, position);
    if (open == std::wstring::npos)
      break;
    text(markup.substr(position, open - position));
    position = open + 3;
    std::wstring target;
    bool has_target = false;
    const size_t href = markup.find(kHrefOpen, position);
    const size_t quote = href == std::wstring::npos ? href : markup.find(L'"', href + 6);
    const size_t tag_end_guess = markup.find(L'>', position);
    // An href after the tag's end belongs to a later link: this one has none.
    if (href != std::wstring::npos && quote != std::wstring::npos &&
        (tag_end_guess == std::wstring::npos || href < tag_end_guess)) {
      target = markup.substr(href + 6, quote - href - 6);
      has_target = true;
      position = quote + 1;
    }
    std::wstring link_text;
    const size_t tag_end = markup.find(L'>', position);
    const size_t close = tag_end == std::wstring::npos ? tag_end : markup.find(kLinkClose, tag_end);
    if (tag_end != std::wstring::npos && close != std::wstring::npos) {
      link_text = markup.substr(tag_end + 1, close - tag_end - 1);
      position = close + 4;
    }
    link(target, has_target, link_text);
  }
  text(markup.substr(position));
}

}  // namespace

// static
void RichStatic::InitializeLibraries() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xC2FF};
  if (!::InitCommonControlsEx(&controls))
    PLOG(ERROR) << "InitCommonControlsEx failed.";
  if (!::LoadLibraryW(L"Msftedit.dll"))
    PLOG(ERROR) << "Loading library Msftedit.dll failed.";
}

// static
std::wstring RichStatic::RewriteMarkup(const std::wstring& markup) {
  std::wstring result;
  WalkMarkup(
      markup, [&](const std::wstring& text) { result += text; },
      [&](const std::wstring& target, bool has_target, const std::wstring& text) {
        result += L"$1";
        if (has_target)
          result += target + L"$2";
        result += text + L"$3";
      });
  return result;
}

// static
std::wstring RichStatic::ParseMarkup(const std::wstring& markup, std::vector<Link>* links) {
  std::wstring plain;
  links->clear();
  WalkMarkup(
      markup, [&](const std::wstring& text) { plain += text; },
      [&](const std::wstring& target, bool, const std::wstring& text) {
        // A link without href has no target of its own: it never takes a
        // later link's.
        links->push_back({static_cast<LONG>(plain.size()),
                          static_cast<LONG>(plain.size() + text.size()), target});
        plain += text;
      });
  return plain;
}

RichStatic::RichStatic(HWND control, std::vector<uint32_t> layouts)
    : UiElement(control, std::move(layouts)) {
  const RECT rect = GetRectInParent();
  vertical_center_ = (rect.top + rect.bottom) / 2;
  const LRESULT mask = ::SendMessageW(control_, EM_GETEVENTMASK, 0, 0);
  ::SendMessageW(control_, EM_SETEVENTMASK, 0, mask | ENM_LINK);
  ::SetWindowSubclass(control_, &RichStatic::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
  UpdateSize();
}

RichStatic::~RichStatic() {
  if (::IsWindow(control_))
    ::RemoveWindowSubclass(control_, &RichStatic::SubclassProc, kSubclassId);
}

void RichStatic::SetText(const std::wstring& text) {
  const ScopedNoRedraw no_redraw(control_);
  links_.clear();
  links_marked_ = false;
  ::SetWindowTextW(control_, text.c_str());
  if (text_color_)
    SetTextColor(*text_color_, {0, -1});
  BindFonts();
  UpdateSize();
}

void RichStatic::SetMarkup(const std::wstring& markup, COLORREF link_color) {
  const ScopedNoRedraw no_redraw(control_);
  std::vector<Link> links;
  const std::wstring plain = ParseMarkup(markup, &links);
  link_color_ = link_color;
  links_marked_ = false;
  links_.clear();
  // The rich-edit library of the process keeps hyperlink fields or drops
  // them: once seen dropped, they are not made again.
  static bool fields_dropped = false;
  if (!fields_dropped) {
    InsertLinkFields(plain, links, false);
    // A first line that ends inside a field's instruction: every field gets
    // a line break before it.
    wchar_t first_line[512] = {};
    *reinterpret_cast<WORD*>(first_line) = 511;
    const LRESULT length =
        ::SendMessageW(control_, EM_GETLINE, 0, reinterpret_cast<LPARAM>(first_line));
    if (base::EndsWith(std::wstring(first_line, length > 0 ? length : 0), L"HYPERLINK "))
      InsertLinkFields(plain, links, true);
    fields_dropped = !links.empty() && GetPlainText() != plain;
  }

  links_ = std::move(links);
  // Without hyperlink fields (their text is gone, as under Wine) the plain
  // text is shown and the link ranges are marked as links by hand.
  if (fields_dropped || GetPlainText() != plain) {
    VLOG(1) << "Hyperlink fields are not kept: marking the link ranges";
    ::SetWindowTextW(control_, plain.c_str());
    // The new text has the control's default look: the whole text's colour
    // goes back on before the links are marked.
    if (text_color_)
      SetTextColor(*text_color_, {0, -1});
    links_marked_ = true;
    MarkLinks();
  }
  BindFonts();
  UpdateSize();
}

void RichStatic::InsertLinkFields(const std::wstring& plain,
                                  const std::vector<Link>& links,
                                  bool break_before) {
  ::SetWindowTextW(control_, plain.c_str());
  if (text_color_)
    SetTextColor(*text_color_, {0, -1});
  if (!links.empty())
    SetTextColor(link_color_, {links.front().start, links.front().end});
  // Each link's text becomes a hyperlink field, the last first so that the
  // ranges before it stay where they are. Only the fields go in as RTF, and
  // the text never comes out as RTF: a rich-edit control may write it in a
  // code page, which loses the letters the code page lacks.
  for (auto link = links.rbegin(); link != links.rend(); ++link) {
    std::string field = break_before ? "\\line" : "";
    field += kFieldStart;
    if (!link->target.empty())
      field += RtfText(link->target) + kFieldMiddle;
    field += RtfText(plain.substr(link->start, link->end - link->start)) + kFieldEnd;
    CHARRANGE range = {link->start, link->end};
    ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    StreamInRtf("{\\rtf1" + field + "}", SFF_SELECTION);
  }
}

void RichStatic::SetTextColor(COLORREF color, CHARRANGE range) {
  if (range.cpMin == 0 && range.cpMax == -1)
    text_color_ = color;
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMATW format = {};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = color;
  ::SendMessageW(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

void RichStatic::SetFont(HFONT font) {
  const ScopedNoRedraw no_redraw(control_);
  font_ = font;
  ::SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  BindFonts();
  UpdateSize();
}

void RichStatic::SetLineSpacing(int twips) {
  const ScopedNoRedraw no_redraw(control_);
  PARAFORMAT2 format = {};
  format.cbSize = sizeof(format);
  format.dwMask = PFM_LINESPACING;
  format.bLineSpacingRule = 4;
  format.dyLineSpacing = twips;
  ::SendMessageW(control_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  UpdateSize();
}

void RichStatic::SetTransparent(bool transparent) {
  transparent_ = transparent;
  ::InvalidateRect(control_, nullptr, TRUE);
}

void RichStatic::PaintOverBackground(HDC target) {
  RECT client = {};
  ::GetClientRect(control_, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0)
    return;
  Canvas background(target, width, height);
  Canvas on_white(target, width, height);
  Canvas on_black(target, width, height);
  if (!background.valid() || !on_white.valid() || !on_black.valid())
    return;
  // White where the parent paints nothing (the dialog's own colour).
  ::FillRect(background.dc(), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::SendMessageW(::GetParent(control_), WM_CTLCOLORSTATIC,
                 reinterpret_cast<WPARAM>(background.dc()), reinterpret_cast<LPARAM>(control_));

  // Changing the background colour invalidates the control: what was
  // pending before is kept, nothing more.
  HRGN pending = ::CreateRectRgn(0, 0, 0, 0);
  const int pending_kind = pending ? ::GetUpdateRgn(control_, pending, FALSE) : ERROR;
  painting_ = true;
  for (const auto& [canvas, color] :
       {std::pair<const Canvas*, COLORREF>{&on_white, RGB(255, 255, 255)},
        std::pair<const Canvas*, COLORREF>{&on_black, RGB(0, 0, 0)}}) {
    // The control may leave its edges unpainted (Wine's keeps a pixel on
    // each side): there the background shows.
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(canvas->dc(), &client, brush);
    ::DeleteObject(brush);
    ::SendMessageW(control_, EM_SETBKGNDCOLOR, 0, color);
    ::SendMessageW(control_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
  }
  ::SendMessageW(control_, EM_SETBKGNDCOLOR, 1, 0);
  painting_ = false;
  ::ValidateRect(control_, nullptr);
  if (pending_kind != ERROR && pending_kind != NULLREGION)
    ::InvalidateRgn(control_, pending, FALSE);
  if (pending)
    ::DeleteObject(pending);

  ::GdiFlush();
  uint32_t* out = background.pixels();
  const uint32_t* white = on_white.pixels();
  const uint32_t* black = on_black.pixels();
  for (int i = 0; i < width * height; ++i) {
    uint32_t pixel = 0;
    for (int shift : {0, 8, 16})
      pixel |= Blend(white[i] >> shift, black[i] >> shift, out[i] >> shift) << shift;
    out[i] = pixel;
  }
  ::BitBlt(target, 0, 0, width, height, background.dc(), 0, 0, SRCCOPY);
}

SIZE RichStatic::GetSize() const {
  return size_;
}

std::wstring RichStatic::GetLinkTarget(const CHARRANGE& range) const {
  for (const Link& link : links_) {
    if (range.cpMin < link.end && range.cpMax > link.start)
      return link.target;
  }
  return std::wstring();
}

std::wstring RichStatic::GetPlainText() const {
  GETTEXTLENGTHEX length_query = {GTL_DEFAULT, 1200};
  const LRESULT length =
      ::SendMessageW(control_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length_query), 0);
  std::wstring text(length > 0 ? length + 1 : 1, L'\0');
  GETTEXTEX query = {static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                     nullptr};
  const LRESULT copied = ::SendMessageW(control_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                                        reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? copied : 0);
  return text;
}

void RichStatic::BindFonts() {
  const std::wstring text = GetPlainText();
  // Hyperlink fields hold text of their own: the control binds its fonts
  // itself where it keeps them.
  if (text.empty() || static_cast<LONG>(text.size()) != TextLength())
    return;
  // The text's font: the format of its first letter.
  CHARRANGE first = {0, 1};
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  ::SendMessageW(control_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  ScopedMemoryDC dc(nullptr);
  if (!dc.Get())
    return;
  LOGFONTW logfont = {};
  logfont.lfHeight = -::MulDiv(format.yHeight, ::GetDeviceCaps(dc.Get(), LOGPIXELSY), 1440);
  logfont.lfWeight = format.wWeight ? format.wWeight : (format.dwEffects & CFE_BOLD) ? 700 : 400;
  logfont.lfCharSet = format.bCharSet;
  wcsncpy(logfont.lfFaceName, format.szFaceName, LF_FACESIZE - 1);
  HFONT font = ::CreateFontIndirectW(&logfont);
  if (!font)
    return;
  HGDIOBJ old = ::SelectObject(dc.Get(), font);
  std::vector<WORD> glyphs(text.size(), 0);
  const DWORD read = ::GetGlyphIndicesW(dc.Get(), text.c_str(), static_cast<int>(text.size()),
                                        glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  ::SelectObject(dc.Get(), old);
  ::DeleteObject(font);
  if (read != text.size())
    return;
  const auto face_for = [&](size_t at) {
    const wchar_t c = text[at];
    if (glyphs[at] != 0xFFFF || (c >= 0xD800 && c <= 0xDFFF) || ::iswspace(c))
      return std::wstring();
    return LinkedFaceFor(dc.Get(), logfont, c);
  };
  size_t at = 0;
  while (at < text.size()) {
    const std::wstring face = face_for(at);
    size_t end = at + 1;
    while (end < text.size() && face_for(end) == face)
      ++end;
    if (!face.empty()) {
      CHARRANGE range = {static_cast<LONG>(at), static_cast<LONG>(end)};
      ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
      CHARFORMAT2W bound = {};
      bound.cbSize = sizeof(bound);
      bound.dwMask = CFM_FACE | CFM_CHARSET;
      bound.bCharSet = DEFAULT_CHARSET;
      wcsncpy(bound.szFaceName, face.c_str(), LF_FACESIZE - 1);
      ::SendMessageW(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&bound));
    }
    at = end;
  }
  CHARRANGE none = {0, 0};
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
}

LONG RichStatic::TextLength() const {
  GETTEXTLENGTHEX query = {GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT length =
      ::SendMessageW(control_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
  return length > 0 ? static_cast<LONG>(length) : 0;
}

void RichStatic::UpdateSize() {
  size_.cx = GetWindowSize().cx;
  // A paragraph break added at the end starts a line where the text ends,
  // below the last line's whole height (wrapped lines and line spacing
  // included); it goes again at once. The text and its formats stay in the
  // control all along.
  const ScopedNoRedraw no_redraw(control_);
  const LONG length = TextLength();
  CHARRANGE end = {length, length};
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
  ::SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r"));
  POINTL first = {};
  POINTL last = {};
  ::SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), 0);
  ::SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), TextLength());
  CHARRANGE added = {length, -1};
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&added));
  ::SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  CHARRANGE none = {0, 0};
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  size_.cy = last.y - first.y;
}

void RichStatic::StreamInRtf(const std::string& rtf, UINT flags) {
  StreamInState state = {&rtf, 0};
  EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&state), 0, &StreamInCallback};
  ::SendMessageW(control_, EM_STREAMIN, SF_RTF | flags, reinterpret_cast<LPARAM>(&stream));
}

void RichStatic::MarkLinks() {
  for (const Link& link : links_) {
    CHARRANGE range = {link.start, link.end};
    ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_LINK | CFM_UNDERLINE | CFM_COLOR;
    format.dwEffects = CFE_UNDERLINE;
    format.crTextColor = link_color_;
    ::SendMessageW(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  }
  CHARRANGE none = {0, 0};
  ::SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
}

const RichStatic::Link* RichStatic::MarkedLinkAt(POINT point) const {
  if (!links_marked_)
    return nullptr;
  POINTL at = {point.x, point.y};
  LRESULT position = ::SendMessageW(control_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at));
  // The answer may be the nearest character boundary: the character is the
  // one the point lies on, never one beside the line's end.
  POINTL start = {};
  ::SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&start), position);
  if (point.x < start.x && position > 0) {
    --position;
    ::SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&start), position);
  }
  POINTL next = {};
  ::SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&next), position + 1);
  if (point.x < start.x || (next.y == start.y && point.x >= next.x) || point.y < start.y)
    return nullptr;
  for (const Link& link : links_) {
    if (position >= link.start && position < link.end)
      return &link;
  }
  return nullptr;
}

// static
LRESULT CALLBACK RichStatic::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<RichStatic*>(data);
  if (self->transparent_) {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;  // The paint covers the whole control.
      case WM_PAINT: {
        PAINTSTRUCT paint = {};
        HDC dc = ::BeginPaint(window, &paint);
        // A paint asked for while the text is drawn over white and black
        // only needs validating.
        if (dc && !self->painting_)
          self->PaintOverBackground(dc);
        ::EndPaint(window, &paint);
        return 0;
      }
      case WM_PRINTCLIENT:
        if (!self->painting_) {
          self->PaintOverBackground(reinterpret_cast<HDC>(wparam));
          return 0;
        }
        break;
    }
  }
  if (message == WM_SETFOCUS) {
    ::HideCaret(window);
    return 1;
  }
  if (message == WM_LBUTTONUP || message == WM_LBUTTONDOWN) {
    const POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (const Link* link = self->MarkedLinkAt(point)) {
      // The notification a CFE_LINK range would send.
      ENLINK notice = {};
      notice.nmhdr = {window, static_cast<UINT_PTR>(::GetDlgCtrlID(window)), EN_LINK};
      notice.msg = message;
      notice.wParam = wparam;
      notice.lParam = lparam;
      notice.chrg = {link->start, link->end};
      ::SendMessageW(::GetParent(window), WM_NOTIFY, notice.nmhdr.idFrom,
                     reinterpret_cast<LPARAM>(&notice));
      return 0;
    }
  }
  const LRESULT result = ::DefSubclassProc(window, message, wparam, lparam);
  if (message == WM_SETCURSOR && ::GetCursor() == ::LoadCursorW(nullptr, IDC_IBEAM))
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  return result;
}

}  // namespace velta
