// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_IMPL_H_

#include <windows.h>

#include <stdint.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "base/observer_list.h"
#include "base/time/time.h"
#include "base/timer/timer.h"
#include "desktop/windows/installer/avro_stats/page_transitions.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/ui/controls/ui_element.h"
#include "desktop/windows/installer/ui/installer_window.h"
#include "desktop/windows/installer/ui/progress_calculator.h"

namespace velta {

class BitmapElement;
class ConditionalButton;
class ConditionalElement;
class DrawableElement;
class RichStatic;
class TextLabel;
class UiElement;
class WindowDragger;

// The window's layout before its first page is shown.
inline constexpr uint32_t kLayoutNone = 7;

// The installer's main window: a modeless dialog from the host's template
// 101 (simplified variant: captionless, draggable, DPI-scaled, with a
// slideshow while installing) or 107 (classic), with the options page (105)
// and, when uninstalling, the survey page (106) as child dialogs. It shows
// one of seven layouts, follows the settings, the installer's phases and the
// progress calculator, and reports the user's choices to its observers.
//
// Made and destroyed by the window controller on the main thread; the
// settings, the progress object and the calculator must outlive it (the
// calculator may go first only if it stops calling the window). Every
// dialog finds the window through its GWLP_USERDATA.
class InstallerWindowImpl : public InstallerWindow,
                            public SettingsObserver,
                            public ProgressCalculatorObserver,
                            public InstallerProgressObserver {
 public:
  // The window in the variant the feature list picks, or null after
  // "Window creation failed." when a dialog cannot be made.
  static std::unique_ptr<InstallerWindowImpl> Create(Settings* settings,
                                                     InstallerProgress* progress,
                                                     ProgressCalculator* calculator);
  // The same in the variant given.
  static std::unique_ptr<InstallerWindowImpl> CreateVariant(Settings* settings,
                                                            InstallerProgress* progress,
                                                            ProgressCalculator* calculator,
                                                            bool simplified);

  InstallerWindowImpl(const InstallerWindowImpl&) = delete;
  InstallerWindowImpl& operator=(const InstallerWindowImpl&) = delete;
  ~InstallerWindowImpl() override;

  // InstallerWindow:
  HWND GetHwnd() override;
  void ShowInstallationProgress() override;
  void DisplayError(const std::wstring& message,
                    uint32_t fetcher_error,
                    bool offer_full_package,
                    const std::string& failure_reason) override;
  void ShowErrorMessageBox(const std::wstring& message) override;
  void AddObserver(InstallerWindowDelegate* delegate) override;
  void RemoveObserver(InstallerWindowDelegate* delegate) override;

  // SettingsObserver:
  void OnStatsSettingChanged() override;
  void OnLanguageChanged() override;
  void OnPathChanged() override;

  // ProgressCalculatorObserver:
  void OnProgressChanged(uint32_t value, std::optional<uint32_t> remaining) override;

  // InstallerProgressObserver:
  void OnPhaseEntered(uint32_t phase) override;
  void OnTotalSteps(uint32_t /*count*/) override {}
  void OnStepsFinished(uint32_t /*finished*/) override {}

  uint32_t layout() const { return layout_; }
  HWND options_dialog() const { return options_dialog_; }
  HWND survey_dialog() const { return survey_dialog_; }
  int dpi() const { return dpi_; }
  uint32_t slide_index() const { return slide_index_; }
  // Runs the slideshow's next step at once, as its timer would.
  void ShowNextSlide();

 private:
  // The colour of the error texts.
  static constexpr COLORREF kErrorColor = 0x4B4AF5;

  // Whether the check box or radio button `control` of `dialog` is checked.
  static bool IsChecked(HWND dialog, int control);

  InstallerWindowImpl(Settings* settings,
                      InstallerProgress* progress,
                      ProgressCalculator* calculator,
                      bool simplified);

  // installer_window_impl.cc: the spine.
  bool Init();
  bool BuildElements();
  void ChangeLayout(uint32_t layout);
  void SendPageTransition();
  void SetControlText(int control, uint32_t string_id);
  HWND FindControl(int control) const;
  void OnSysLinkSelected(const std::wstring& link);
  void OpenPrivacyPage();
  INT_PTR OnMainCommand(int control, int notification);
  bool HandleDrag(UINT message, LPARAM lparam, HWND from);
  // Calls `method` on every observer; false when one of them destroyed the
  // window (the caller must then touch nothing of it).
  bool NotifyObservers(void (InstallerWindowDelegate::*method)());
  static INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  // The window a page of it was made for (CreatePage), or null before that
  // and after the page is let go.
  static InstallerWindowImpl* FromPage(HWND page);

  // installer_window_impl_drawing.cc: look and placement.
  void OnMainInitDialog();
  void UpdateFonts();
  void PlaceElements();
  // Gives the rich texts that PlaceElements does not place the height their
  // text needs, when it is more than their template's.
  void FitRichTexts();
  // Moves and sizes every control of the window and its pages from
  // `from_dpi` to `to_dpi`, as the window's own size changes: PlaceElements
  // then places its elements anew.
  void ScaleControls(int from_dpi, int to_dpi);
  void SetTitle();
  void SetSlideTexts();
  BOOL PaintBackground(HDC dc);
  void RebuildBackground(bool force);
  HBRUSH OnMainCtlColorStatic(HDC dc, HWND control);
  void WidenFullPackageButton();
  // Gives `control` (a static, check box or radio button) the height its
  // text needs at its width less `indent`, and never less than its
  // template's height; its top stays.
  void FitHeightToText(HWND control, int indent);
  // Widens the simplified window's owner-drawn `button` to its text in the
  // body font, keeping its right edge; it never narrows.
  void WidenButtonToText(UiElement* button);
  // The width the template gives `button`, taken the first time it is asked
  // for (before any widening).
  int TemplateWidth(const UiElement& button);
  // The simplified window's size at `dpi`.
  static SIZE SimplifiedWindowSize(int dpi);
  // Gives the title a font of `points` (simplified window); false when it
  // cannot be made.
  bool SetTitlePoints(int points);
  int Scale(int value) const;
  HFONT MakeFont(const wchar_t* face, int points, int weight, DWORD quality, DWORD pitch) const;
  void DeleteFonts();

  // installer_window_impl_options.cc: the options page.
  void OnOptionsInitDialog();
  void FillOptionsLists();
  // Gives each label of the options page the height its text needs at its
  // width (a long translation wraps), centred on its list.
  void FitOptionLabels();
  std::wstring GetTooltipText() const;
  void RefreshOptions();
  void SetAcceptTextAndTermsLine();
  void FillFolderList();
  void SetFolderComboText(const std::wstring& text);
  std::wstring GetFolderComboText() const;
  void BrowseForFolder();
  void OnFolderChanged();
  INT_PTR OnOptionsCommand(int control, int notification);
  static INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wparam,
                                            LPARAM lparam);

  // installer_window_impl_progress.cc: progress, errors and confirmations.
  std::wstring GetStatusText(uint32_t phase, std::optional<uint32_t> remaining) const;
  void SetStatusText(const std::wstring& text);
  // A throttled progress text, shown only while the progress page is.
  void SetProgressStatusText(const std::wstring& text);
  void OnAccept();
  void OnCancel();
  void OnRetry();
  int ShowMessageBox(const std::wstring& text, UINT style);
  void EnableSystemClose(bool enable);

  // installer_window_impl_uninstall.cc: the uninstall pages and survey.
  void OnUninstallClicked();
  void OnDeleteUserDataClicked();
  void SendSurvey();
  // Draws the survey's order and stacks its rows.
  void ArrangeSurvey();
  // Gives the question and each answer the height its text needs, then
  // stacks the rows again.
  void FitSurveyTexts();
  // Stacks the rows below the question in their order, each as high as it
  // is.
  void StackSurvey();
  void UpdateSurveyControls();
  static INT_PTR CALLBACK SurveyDialogProc(HWND dialog, UINT message, WPARAM wparam,
                                           LPARAM lparam);

  Settings* const settings_;
  InstallerProgress* const progress_;
  ProgressCalculator* const calculator_;
  const bool simplified_;
  const bool uninstall_mode_;
  const bool run_immediately_;

  HWND main_dialog_ = nullptr;
  HWND options_dialog_ = nullptr;
  HWND survey_dialog_ = nullptr;

  // The seven fonts (the last two only in the simplified variant).
  HFONT body_font_ = nullptr;
  HFONT small_bold_font_ = nullptr;
  HFONT large_font_ = nullptr;
  HFONT heading_font_ = nullptr;
  HFONT title_font_ = nullptr;
  HFONT feature_font_ = nullptr;
  HFONT slide_title_font_ = nullptr;
  // The title font's size in points: the simplified window's shrinks for a
  // title too long for its room.
  int title_points_ = 0;
  // What the title's size was last found for: its text, its room and the
  // texts below it.
  std::wstring title_fit_key_;
  // Classic variant: the background image and the background painted from
  // it at the client area's size.
  HBITMAP background_image_ = nullptr;
  HBITMAP background_ = nullptr;

  base::ObserverList<InstallerWindowDelegate> observers_;
  // Cleared by the destructor: an observer may destroy the window while it
  // is told of a click.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  uint32_t layout_ = kLayoutNone;
  std::vector<std::unique_ptr<UiElement>> elements_;
  std::map<int, DrawableElement*> drawables_;
  std::array<BitmapElement*, 4> feature_icons_ = {};
  std::map<int, TextLabel*> feature_labels_;
  // The heights the templates give the controls that grow with their text
  // (option labels, rich texts, the survey's question and answers), by
  // control.
  std::map<int, int> template_heights_;
  // The widths the templates give the buttons that widen to their text, by
  // control: each placement widens them from these.
  std::map<int, int> template_widths_;

  BitmapElement* logo_ = nullptr;
  BitmapElement* left_picture_ = nullptr;
  RichStatic* title_ = nullptr;
  RichStatic* terms_line_ = nullptr;
  RichStatic* error_text_ = nullptr;
  RichStatic* privacy_link_ = nullptr;
  UiElement* error_mark_ = nullptr;
  BitmapElement* slide_picture_ = nullptr;
  TextLabel* slide_title_ = nullptr;
  TextLabel* slide_text_ = nullptr;
  UiElement* accept_button_ = nullptr;
  UiElement* retry_button_ = nullptr;
  UiElement* back_button_ = nullptr;
  UiElement* full_package_button_ = nullptr;
  ConditionalButton* full_package_simplified_ = nullptr;
  ConditionalElement* full_package_classic_ = nullptr;
  UiElement* close_button_ = nullptr;
  UiElement* delete_user_data_ = nullptr;
  UiElement* invalid_path_ = nullptr;

  HWND tooltip_ = nullptr;
  std::vector<std::wstring> languages_;
  PageTransitions page_transitions_;
  uint32_t last_remaining_ = 0;
  base::Time last_status_change_;
  uint32_t slide_index_ = 0;
  int dpi_ = 96;
  base::RepeatingTimer slideshow_timer_;
  std::unique_ptr<WindowDragger> dragger_;
  // The survey's tops of 1226 and 1227: collapsed and expanded.
  std::array<int, 2> collapsed_tops_ = {};
  std::array<int, 2> expanded_tops_ = {};
  // The survey's rows from the top, expanded (the order is drawn once), and
  // the template's gaps below the question and between two rows.
  std::vector<int> survey_rows_;
  int survey_question_gap_ = 0;
  int survey_row_gap_ = 0;

  base::WeakPtrFactory<InstallerWindowImpl> weak_factory_{this};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_IMPL_H_
