// Copyright 2026 Velta Software. All rights reserved.

// The installer window's uninstall pages: the choice between re-installing
// and uninstalling, the deletion of the user's data and the survey (dialog
// 106) that some countries are asked before the uninstall warning.

#include <windows.h>

#include <bcrypt.h>
#include <stdint.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/uninstall_survey_completed_event.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/window_dragger.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

constexpr int kRadios[] = {IDC_SURVEY_ALL_FINE, IDC_SURVEY_NOT_CONVINCED, IDC_SURVEY_QUALITY};
// The quality problems and their tags, in the order the tags are sent.
constexpr struct {
  int control;
  const char* tag;
} kQualityTags[] = {
    {IDC_SURVEY_VIDEO, "video"},          {IDC_SURVEY_WEBSITES, "websites"},
    {IDC_SURVEY_CRASHES, "crashes"},      {IDC_SURVEY_TRACKER_BLOCKING, "tracker_blocking"},
    {IDC_SURVEY_SYNC, "sync"},            {IDC_SURVEY_EXTENSIONS, "extensions"},
    {IDC_SURVEY_SLOW, "slow"},
};
constexpr size_t kMaxDescription = 2048;

// A uniform integer in [0, bound) from the system's random bytes; biased
// draws are thrown away.
uint32_t RandomBelow(uint32_t bound) {
  const uint32_t limit = UINT32_MAX - UINT32_MAX % bound;
  for (;;) {
    uint32_t value = 0;
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof(value),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      return 0;
    }
    if (value < limit)
      return value % bound;
  }
}

template <typename T>
void Shuffle(std::vector<T>* items) {
  for (size_t i = items->size(); i > 1; --i)
    std::swap((*items)[i - 1], (*items)[RandomBelow(static_cast<uint32_t>(i))]);
}

// The control's rectangle in its dialog's client coordinates.
RECT RectInDialog(HWND dialog, int control) {
  RECT rect = {};
  ::GetWindowRect(::GetDlgItem(dialog, control), &rect);
  ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

void InstallerWindowImpl::OnUninstallClicked() {
  if (layout_ == LAYOUT_UNINSTALL && settings_->IsUninstallSurveyCountry()) {
    page_transitions_.navigation_action = "SURVEY";
    ChangeLayout(LAYOUT_SURVEY);
    ::SetFocus(::GetDlgItem(main_dialog_, IDC_CANCEL_BUTTON));
    UpdateSurveyControls();
    return;
  }
  if (layout_ == LAYOUT_SURVEY)
    SendSurvey();
  OnAccept();
}

void InstallerWindowImpl::OnDeleteUserDataClicked() {
  if (settings_->IsEditable()) {
    page_transitions_.changed_delete_profile_counter =
        page_transitions_.changed_delete_profile_counter.value_or(0) + 1;
    settings_->SetDeleteProfile(IsChecked(main_dialog_, IDC_DELETE_USER_DATA));
  } else {
    RefreshOptions();
  }
  ::InvalidateRect(::GetDlgItem(main_dialog_, IDC_DELETE_USER_DATA), nullptr, TRUE);
}

void InstallerWindowImpl::SendSurvey() {
  if (!survey_dialog_)
    return;
  uint32_t reason = 0;
  if (IsChecked(survey_dialog_, IDC_SURVEY_ALL_FINE))
    reason = 1;
  else if (IsChecked(survey_dialog_, IDC_SURVEY_NOT_CONVINCED))
    reason = 2;
  else if (IsChecked(survey_dialog_, IDC_SURVEY_QUALITY))
    reason = 3;
  std::optional<std::vector<std::string>> tags;
  std::optional<std::string> description;
  if (reason == 3) {
    tags.emplace();
    for (const auto& quality : kQualityTags) {
      if (IsChecked(survey_dialog_, quality.control))
        tags->push_back(quality.tag);
    }
    if (IsChecked(survey_dialog_, IDC_SURVEY_OTHER)) {
      wchar_t text[kMaxDescription] = {};
      const int length =
          ::GetDlgItemTextW(survey_dialog_, IDC_SURVEY_DESCRIPTION, text, kMaxDescription);
      if (length > 0)
        description = base::WideToUTF8(std::wstring(text, length));
    }
  }
  auto event = std::make_unique<UninstallSurveyCompletedEvent>(reason, std::move(tags),
                                                               std::move(description), 1);
  event->set_urgent(true);
  GetAvroStatsSender()->SendAvroMessage(std::move(event));
}

void InstallerWindowImpl::ArrangeSurvey() {
  const RECT question = RectInDialog(survey_dialog_, IDC_SURVEY_QUESTION);
  const RECT first = RectInDialog(survey_dialog_, IDC_SURVEY_ALL_FINE);
  const RECT second = RectInDialog(survey_dialog_, IDC_SURVEY_NOT_CONVINCED);
  survey_question_gap_ = first.top - question.bottom;
  survey_row_gap_ = second.top - first.bottom;
  std::vector<int> radios(std::begin(kRadios), std::end(kRadios));
  Shuffle(&radios);
  survey_rows_.clear();
  for (int control : radios) {
    survey_rows_.push_back(control);
    if (control != IDC_SURVEY_QUALITY)
      continue;
    std::vector<int> boxes;
    for (const auto& quality : kQualityTags)
      boxes.push_back(quality.control);
    Shuffle(&boxes);
    boxes.push_back(IDC_SURVEY_OTHER);
    survey_rows_.insert(survey_rows_.end(), boxes.begin(), boxes.end());
    // The description goes below "Other", and the rows after it below that.
    survey_rows_.push_back(IDC_SURVEY_DESCRIPTION);
  }
  StackSurvey();
}

void InstallerWindowImpl::FitSurveyTexts() {
  if (!survey_dialog_)
    return;
  HWND question = ::GetDlgItem(survey_dialog_, IDC_SURVEY_QUESTION);
  // A check box or radio button's text stands beside its box.
  const int box = ::GetSystemMetrics(SM_CXMENUCHECK) + 2 * ::GetSystemMetrics(SM_CXEDGE);
  FitHeightToText(question, 0);
  for (int control : survey_rows_) {
    if (control != IDC_SURVEY_DESCRIPTION)
      FitHeightToText(::GetDlgItem(survey_dialog_, control), box);
  }
  StackSurvey();
  UpdateSurveyControls();
}

void InstallerWindowImpl::StackSurvey() {
  auto record = [](int control, int y, std::array<int, 2>* tops) {
    if (control == IDC_SURVEY_ALL_FINE)
      (*tops)[0] = y;
    else if (control == IDC_SURVEY_NOT_CONVINCED)
      (*tops)[1] = y;
  };
  const int top = RectInDialog(survey_dialog_, IDC_SURVEY_QUESTION).bottom + survey_question_gap_;
  // Rows that wrap may need the gaps: the last row stays on the page.
  RECT page = {};
  ::GetClientRect(survey_dialog_, &page);
  int rows_height = 0;
  for (int control : survey_rows_) {
    const RECT rect = RectInDialog(survey_dialog_, control);
    rows_height += rect.bottom - rect.top;
  }
  const int gaps = std::max<int>(static_cast<int>(survey_rows_.size()) - 1, 1);
  const int gap =
      std::clamp(static_cast<int>(page.bottom - top - rows_height) / gaps, 0, survey_row_gap_);
  // Collapsed, the quality problems are hidden: the radio buttons follow
  // each other.
  int y = top;
  for (int control : survey_rows_) {
    if (std::find(std::begin(kRadios), std::end(kRadios), control) == std::end(kRadios))
      continue;
    record(control, y, &collapsed_tops_);
    const RECT rect = RectInDialog(survey_dialog_, control);
    y += rect.bottom - rect.top + gap;
  }
  y = top;
  for (int control : survey_rows_) {
    record(control, y, &expanded_tops_);
    HWND item = ::GetDlgItem(survey_dialog_, control);
    const RECT rect = RectInDialog(survey_dialog_, control);
    ::SetWindowPos(item, nullptr, rect.left, y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    y += rect.bottom - rect.top + gap;
  }
}

void InstallerWindowImpl::UpdateSurveyControls() {
  if (!survey_dialog_)
    return;
  const bool quality = IsChecked(survey_dialog_, IDC_SURVEY_QUALITY);
  const std::array<int, 2>& tops = quality ? expanded_tops_ : collapsed_tops_;
  for (int i = 0; i < 2; ++i) {
    const int control = kRadios[i];
    const RECT rect = RectInDialog(survey_dialog_, control);
    ::SetWindowPos(::GetDlgItem(survey_dialog_, control), nullptr, rect.left, tops[i], 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (int control = IDC_SURVEY_VIDEO; control <= IDC_SURVEY_DESCRIPTION; ++control)
    ::ShowWindow(::GetDlgItem(survey_dialog_, control), quality ? SW_SHOWNOACTIVATE : SW_HIDE);
  ::EnableWindow(::GetDlgItem(survey_dialog_, IDC_SURVEY_DESCRIPTION),
                 IsChecked(survey_dialog_, IDC_SURVEY_OTHER));
  if (layout_ != LAYOUT_SURVEY)
    return;
  bool answered = IsChecked(survey_dialog_, IDC_SURVEY_ALL_FINE) ||
                  IsChecked(survey_dialog_, IDC_SURVEY_NOT_CONVINCED);
  if (quality) {
    for (int control = IDC_SURVEY_VIDEO; control <= IDC_SURVEY_OTHER; ++control)
      answered = answered || IsChecked(survey_dialog_, control);
  }
  ::EnableWindow(FindControl(IDC_UNINSTALL_BUTTON), answered);
}

// static
INT_PTR CALLBACK InstallerWindowImpl::SurveyDialogProc(HWND dialog, UINT message, WPARAM wparam,
                                                        LPARAM lparam) {
  InstallerWindowImpl* window = FromPage(dialog);
  if (!window)
    return 0;
  switch (message) {
    case WM_COMMAND:
      window->UpdateSurveyControls();
      if (LOWORD(wparam) == IDC_SURVEY_OTHER && IsChecked(dialog, IDC_SURVEY_OTHER))
        ::SetFocus(::GetDlgItem(dialog, IDC_SURVEY_DESCRIPTION));
      return 0;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    case WM_CTLCOLORSTATIC: {
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      if (id == IDC_SURVEY_QUESTION || id == IDC_SURVEY_DESCRIPTION) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, 0x000000);
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
      }
      return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
      window->HandleDrag(message, lparam, dialog);
      return 0;
    case WM_LBUTTONUP: {
      window->HandleDrag(message, lparam, dialog);
      HWND edit = ::GetDlgItem(dialog, IDC_SURVEY_DESCRIPTION);
      POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      ::ClientToScreen(dialog, &point);
      RECT rect = {};
      if (IsChecked(dialog, IDC_SURVEY_QUALITY) && !::IsWindowEnabled(edit) &&
          ::GetWindowRect(edit, &rect) && ::PtInRect(&rect, point)) {
        ::CheckDlgButton(dialog, IDC_SURVEY_OTHER, BST_CHECKED);
        ::EnableWindow(edit, TRUE);
        ::SetFocus(edit);
      }
      return 0;
    }
  }
  return 0;
}

}  // namespace velta
