// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/installer_features.h"

#include "base/features/feature_states.h"
#include "desktop/windows/installer/common/product_constants.h"
#include "desktop/windows/installer/common/product_info.h"

namespace velta {
namespace {

constexpr uint32_t kSorrel = kSorrelChannelBit;
constexpr uint32_t kDevelopment = kSorrelChannelBit | kMarlinChannelBit;
constexpr uint32_t kAllStreams = kSorrelChannelBit | kMarlinChannelBit | kReleaseChannelBit;
constexpr uint8_t kOn = kFeatureOnByDefaultFlag;
constexpr uint8_t kOff = 0;

// The mask is empty, so the default-on flag applies in no stream: every
// installer feature starts off until a switch or a stored state turns it on.
constexpr FeatureDefinition kInstallerFeatures[] = {
    {kInstallerExperimentTestFeature, 0, 0, "", "", kOn},
    {kInstallerUseMinimalPackageFeature, 0, 0, "", "", kOn},
    {kInstallerSimplifiedUiFeature, 0, 0, "", "", kOn},
};

// The browser's features with their per-stream defaults, as the browser
// itself registers them. Searched in order by FindBrowserFeature.
constexpr FeatureDefinition kBrowserFeatures[] = {
    {"enable-crashpad-on-windows", kSorrel, 0, "Crashpad crash handler",
     "Hand crashes to the crashpad handler instead of the own crash reporter.", kOn},
    {"tab-hover-previews", kAllStreams, 0, "Tab hover previews",
     "Show a preview of a tab's page while the pointer rests on the tab.", kOn},
    {"tab-groups-collapse", kAllStreams, 0, "Collapsible tab groups",
     "Let tab groups fold into their title.", kOn},
    {"tab-scrolling", kDevelopment, 0, "Tab scrolling",
     "Scroll the tab strip instead of shrinking tabs below a minimum width.", kOn},
    {"tab-search-popup", kAllStreams, 0, "Tab search", "Search open tabs from a pop-up.", kOn},
    {"tab-audio-muting-menu", kAllStreams, 0, "Mute from the tab menu",
     "Offer muting a site in the tab's context menu.", kOn},
    {"tab-discarding-on-low-memory", kAllStreams, 1, "Tab discarding",
     "Discard background tabs when the system runs low on memory.", kOn},
    {"tab-freezing-in-background", kDevelopment, 0, "Background tab freezing",
     "Freeze tabs that have been in the background for a while.", kOn},
    {"reading-list", kAllStreams, 0, "Reading list", "Keep pages to read later.", kOn},
    {"reader-mode", kDevelopment, 0, "Reader mode",
     "Offer a simplified view of article pages.", kOn},
    {"bookmarks-side-panel", kAllStreams, 0, "Bookmarks in the side panel",
     "Show bookmarks in a panel beside the page.", kOn},
    {"bookmarks-sync-v2", kSorrel, 0, "New bookmark sync",
     "Synchronise bookmarks through the second sync protocol.", kOn},
    {"history-clusters", kDevelopment, 0, "Grouped history",
     "Group history entries by topic and visit.", kOn},
    {"history-full-text-search", kSorrel, 0, "Full-text history search",
     "Search the text of visited pages from history.", kOn},
    {"downloads-bubble", kAllStreams, 0, "Downloads bubble",
     "Show downloads in a bubble from the toolbar instead of a shelf.", kOn},
    {"downloads-resume-after-restart", kAllStreams, 0, "Resume downloads",
     "Resume interrupted downloads after the browser restarts.", kOn},
    {"download-safety-warnings", kAllStreams, 1, "Download warnings",
     "Warn before keeping files that are known to be dangerous.", kOn},
    {"password-manager-leak-check", kAllStreams, 0, "Password leak check",
     "Warn when a saved password appears in a known leak.", kOn},
    {"password-generation", kAllStreams, 0, "Password generation",
     "Offer a strong password on sign-up forms.", kOn},
    {"autofill-address-suggestions", kAllStreams, 0, "Address suggestions",
     "Suggest saved addresses in forms.", kOn},
    {"autofill-card-suggestions", kAllStreams, 0, "Card suggestions",
     "Suggest saved payment cards in forms.", kOn},
    {"smooth-scrolling", kAllStreams, 0, "Smooth scrolling",
     "Animate scrolling with the mouse wheel and keys.", kOn},
    {"overlay-scrollbars", kSorrel, 0, "Overlay scroll bars",
     "Draw thin scroll bars over the page that show while scrolling.", kOn},
    {"gpu-rasterization", kAllStreams, 1, "GPU rasterisation",
     "Draw page content on the graphics processor.", kOn},
    {"zero-copy-video-capture", kDevelopment, 0, "Zero-copy video capture",
     "Pass camera frames to the page without copying them.", kOff},
    {"hardware-video-decoding", kAllStreams, 1, "Hardware video decoding",
     "Decode video on the graphics processor where it can.", kOn},
    {"hardware-media-keys", kAllStreams, 0, "Media keys",
     "Control media playback with the keyboard's media keys.", kOn},
    {"picture-in-picture-video", kAllStreams, 0, "Picture in picture",
     "Play video in a small window that stays on top.", kOn},
    {"global-media-controls", kAllStreams, 0, "Media controls in the toolbar",
     "Control media of every tab from one toolbar button.", kOn},
    {"live-captions", kDevelopment, 0, "Live captions",
     "Show captions for speech in audio and video.", kOn},
    {"spellcheck-multilingual", kAllStreams, 0, "Multilingual spell check",
     "Check spelling in several languages at once.", kOn},
    {"translate-page-bar", kAllStreams, 0, "Page translation",
     "Offer to translate pages in other languages.", kOn},
    {"dark-mode-web-contents", kDevelopment, 0, "Dark pages",
     "Render pages in dark colours when the system uses a dark theme.", kOff},
    {"dark-mode-settings-page", kAllStreams, 0, "Dark settings pages",
     "Follow the system's dark theme on the browser's own pages.", kOn},
    {"theme-accent-from-system", kDevelopment, 0, "System accent colour",
     "Take the window frame's colour from the system's accent colour.", kOn},
    {"address-bar-suggestions-rich", kAllStreams, 0, "Rich address bar suggestions",
     "Show images and answers in address bar suggestions.", kOn},
    {"address-bar-calculator", kAllStreams, 0, "Calculator in the address bar",
     "Answer arithmetic typed into the address bar.", kOn},
    {"address-bar-unit-conversion", kDevelopment, 0, "Unit conversion",
     "Convert units and currencies typed into the address bar.", kOn},
    {"address-bar-tab-switch", kAllStreams, 0, "Switch to open tab",
     "Suggest switching to a tab that already shows the address typed.", kOn},
    {"search-engine-choice-screen", kAllStreams, 1, "Search engine choice",
     "Ask for the default search engine on first run.", kOff},
    {"new-tab-page-customization", kAllStreams, 0, "Customisable new tab page",
     "Let the user arrange the new tab page.", kOn},
    {"new-tab-page-background-images", kAllStreams, 0, "New tab backgrounds",
     "Show a background image on the new tab page.", kOn},
    {"start-page-shortcuts", kAllStreams, 0, "Start page shortcuts",
     "Show shortcuts to frequent sites on the start page.", kOn},
    {"session-restore-lazy-tabs", kAllStreams, 0, "Lazy session restore",
     "Load restored tabs only when they are first shown.", kOn},
    {"session-crash-recovery-bubble", kAllStreams, 0, "Restore after a crash",
     "Offer to restore the last session after the browser crashed.", kOn},
    {"profile-picker-on-startup", kDevelopment, 0, "Profile picker",
     "Ask which profile to open when several exist.", kOn},
    {"profile-switcher-menu", kAllStreams, 0, "Profile menu",
     "Switch profiles from a toolbar menu.", kOn},
    {"sync-encryption-passphrase", kAllStreams, 1, "Sync passphrase",
     "Encrypt synchronised data with a passphrase of the user.", kOn},
    {"sync-tabs-across-devices", kAllStreams, 0, "Tabs from other devices",
     "Show the open tabs of the user's other devices.", kOn},
    {"sync-history", kDevelopment, 0, "History sync",
     "Synchronise browsing history between devices.", kOn},
    {"notifications-native-windows", kAllStreams, 0, "System notifications",
     "Show site notifications through the system's notification centre.", kOn},
    {"notifications-quiet-ui", kDevelopment, 0, "Quiet notification requests",
     "Ask for notification permission without a prompt over the page.", kOff},
    {"permission-chip", kDevelopment, 0, "Permission chip",
     "Ask for permissions from a chip in the address bar.", kOn},
    {"permission-prompt-quieting", kSorrel, 0, "Quieter permission prompts",
     "Hold back permission prompts of sites that ask too often.", kOn},
    {"https-first-mode", kAllStreams, 0, "HTTPS first",
     "Try HTTPS before HTTP and warn before loading a page over HTTP.", kOff},
    {"https-upgrades", kAllStreams, 0, "HTTPS upgrades",
     "Load pages over HTTPS when a site offers it.", kOn},
    {"dns-over-https", kAllStreams, 0, "Secure DNS",
     "Look up host names over HTTPS.", kOn},
    {"secure-dns-settings-ui", kAllStreams, 0, "Secure DNS settings",
     "Offer the choice of a secure DNS provider in the settings.", kOn},
    {"third-party-cookie-blocking", kAllStreams, 0, "Block third-party cookies",
     "Block cookies of other sites than the one shown.", kOff},
    {"tracker-blocking", kAllStreams, 0, "Tracker blocking",
     "Block requests to known tracking services.", kOn},
    {"ad-blocking", kAllStreams, 0, "Ad blocking", "Block advertisements on pages.", kOff},
    {"fingerprinting-protection", kDevelopment, 0, "Fingerprinting protection",
     "Limit what scripts can learn about the device.", kOn},
    {"site-isolation-strict", kAllStreams, 1, "Strict site isolation",
     "Run every site in its own process.", kOn},
    {"back-forward-cache", kAllStreams, 0, "Back-forward cache",
     "Keep recent pages in memory for instant back and forward.", kOn},
    {"prerender-on-hover", kDevelopment, 0, "Prerender on hover",
     "Start loading a link's page while the pointer rests on it.", kOff},
    {"memory-saver-mode", kAllStreams, 0, "Memory saver",
     "Free the memory of inactive tabs.", kOn},
    {"energy-saver-mode", kAllStreams, 0, "Energy saver",
     "Reduce background work while running on battery.", kOn},
    {"background-tab-throttling", kAllStreams, 1, "Background tab throttling",
     "Slow down timers of tabs in the background.", kOn},
    {"web-app-installation", kAllStreams, 0, "Web app installation",
     "Install sites as applications with their own windows.", kOn},
    {"web-app-window-controls-overlay", kDevelopment, 0, "Web app title bar",
     "Let installed web apps draw into their title bar.", kOn},
    {"shared-clipboard", kSorrel, 0, "Shared clipboard",
     "Send copied text to the user's other devices.", kOn},
    {"screenshot-tool", kAllStreams, 0, "Screenshots",
     "Capture and annotate pages from the toolbar.", kOn},
    {"pdf-viewer-annotations", kDevelopment, 0, "PDF annotations",
     "Draw and highlight in the PDF viewer.", kOn},
    {"taskbar-jump-list", kAllStreams, 0, "Taskbar jump list",
     "Offer recent and frequent pages in the taskbar's jump list.", kOn},
    {"windows-native-window-occlusion", kAllStreams, 0, "Occlusion tracking",
     "Stop drawing windows that other windows cover.", kOn},
    {"autoupdate-background-download", kAllStreams, 1, "Background update download",
     "Download updates while the browser runs.", kOn},
};

}  // namespace

uint32_t GetChannelBitForStream(uint32_t stream) {
  switch (static_cast<Stream>(stream)) {
    case Stream::kSorrel:
      return kSorrelChannelBit;
    case Stream::kMarlin:
      return kMarlinChannelBit;
    case Stream::kKestrel:
    case Stream::kGranite:
      return kReleaseChannelBit;
  }
  return 0;
}

bool IsFeatureOnByDefaultForStream(const FeatureDefinition& feature) {
  const uint32_t bit = GetChannelBitForStream(ProductInfo::GetInstance()->GetStream());
  if ((feature.channel_mask & bit) == 0)
    return false;
  return (feature.flags & kFeatureOnByDefaultFlag) != 0;
}

bool IsFeatureOverridable(const FeatureDefinition& feature) {
  return feature.locked == 0;
}

std::span<const FeatureDefinition> GetInstallerFeatures() {
  return kInstallerFeatures;
}

void RegisterInstallerFeatures(FeatureStates* states) {
  for (const FeatureDefinition& feature : kInstallerFeatures) {
    states->RegisterFeature(feature.name, IsFeatureOnByDefaultForStream(feature),
                            IsFeatureOverridable(feature));
  }
}

const FeatureDefinition* FindBrowserFeature(std::string_view name) {
  for (const FeatureDefinition& feature : kBrowserFeatures) {
    if (name == feature.name)
      return &feature;
  }
  return nullptr;
}

}  // namespace velta
