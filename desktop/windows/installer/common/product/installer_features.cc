// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/installer_features.h"

#include "base/features/feature_states.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"

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
    {.name = kInstallerExperimentTestFeature, .channel_mask = 0, .flags = kOn},
    {.name = kInstallerUseMinimalPackageFeature, .channel_mask = 0, .flags = kOn},
    {.name = kInstallerSimplifiedUiFeature, .channel_mask = 0, .flags = kOn},
};

// The browser's features with their per-stream defaults, as the browser
// itself registers them. Searched in order by FindBrowserFeature.
constexpr FeatureDefinition kBrowserFeatures[] = {
    {.name = "enable-crashpad-on-windows", .channel_mask = kSorrel,
     .title = "Crashpad crash handler",
     .description = "Hand crashes to the crashpad handler instead of the own crash reporter.",
     .flags = kOn},
    {.name = "tab-hover-previews", .channel_mask = kAllStreams,
     .title = "Tab hover previews",
     .description = "Show a preview of a tab's page while the pointer rests on the tab.",
     .flags = kOn},
    {.name = "tab-groups-collapse", .channel_mask = kAllStreams,
     .title = "Collapsible tab groups", .description = "Let tab groups fold into their title.",
     .flags = kOn},
    {.name = "tab-scrolling", .channel_mask = kDevelopment,
     .title = "Tab scrolling",
     .description = "Scroll the tab strip instead of shrinking tabs below a minimum width.",
     .flags = kOn},
    {.name = "tab-search-popup", .channel_mask = kAllStreams,
     .title = "Tab search", .description = "Search open tabs from a pop-up.", .flags = kOn},
    {.name = "tab-audio-muting-menu", .channel_mask = kAllStreams,
     .title = "Mute from the tab menu",
     .description = "Offer muting a site in the tab's context menu.", .flags = kOn},
    {.name = "tab-discarding-on-low-memory", .channel_mask = kAllStreams, .locked = 1,
     .title = "Tab discarding",
     .description = "Discard background tabs when the system runs low on memory.", .flags = kOn},
    {.name = "tab-freezing-in-background", .channel_mask = kDevelopment,
     .title = "Background tab freezing",
     .description = "Freeze tabs that have been in the background for a while.", .flags = kOn},
    {.name = "reading-list", .channel_mask = kAllStreams,
     .title = "Reading list", .description = "Keep pages to read later.", .flags = kOn},
    {.name = "reader-mode", .channel_mask = kDevelopment,
     .title = "Reader mode", .description = "Offer a simplified view of article pages.",
     .flags = kOn},
    {.name = "bookmarks-side-panel", .channel_mask = kAllStreams,
     .title = "Bookmarks in the side panel",
     .description = "Show bookmarks in a panel beside the page.", .flags = kOn},
    {.name = "bookmarks-sync-v2", .channel_mask = kSorrel,
     .title = "New bookmark sync",
     .description = "Synchronise bookmarks through the second sync protocol.", .flags = kOn},
    {.name = "history-clusters", .channel_mask = kDevelopment,
     .title = "Grouped history", .description = "Group history entries by topic and visit.",
     .flags = kOn},
    {.name = "history-full-text-search", .channel_mask = kSorrel,
     .title = "Full-text history search",
     .description = "Search the text of visited pages from history.", .flags = kOn},
    {.name = "downloads-bubble", .channel_mask = kAllStreams,
     .title = "Downloads bubble",
     .description = "Show downloads in a bubble from the toolbar instead of a shelf.",
     .flags = kOn},
    {.name = "downloads-resume-after-restart", .channel_mask = kAllStreams,
     .title = "Resume downloads",
     .description = "Resume interrupted downloads after the browser restarts.", .flags = kOn},
    {.name = "download-safety-warnings", .channel_mask = kAllStreams, .locked = 1,
     .title = "Download warnings",
     .description = "Warn before keeping files that are known to be dangerous.", .flags = kOn},
    {.name = "password-manager-leak-check", .channel_mask = kAllStreams,
     .title = "Password leak check",
     .description = "Warn when a saved password appears in a known leak.", .flags = kOn},
    {.name = "password-generation", .channel_mask = kAllStreams,
     .title = "Password generation", .description = "Offer a strong password on sign-up forms.",
     .flags = kOn},
    {.name = "autofill-address-suggestions", .channel_mask = kAllStreams,
     .title = "Address suggestions", .description = "Suggest saved addresses in forms.",
     .flags = kOn},
    {.name = "autofill-card-suggestions", .channel_mask = kAllStreams,
     .title = "Card suggestions", .description = "Suggest saved payment cards in forms.",
     .flags = kOn},
    {.name = "smooth-scrolling", .channel_mask = kAllStreams,
     .title = "Smooth scrolling", .description = "Animate scrolling with the mouse wheel and keys.",
     .flags = kOn},
    {.name = "overlay-scrollbars", .channel_mask = kSorrel,
     .title = "Overlay scroll bars",
     .description = "Draw thin scroll bars over the page that show while scrolling.", .flags = kOn},
    {.name = "gpu-rasterization", .channel_mask = kAllStreams, .locked = 1,
     .title = "GPU rasterisation", .description = "Draw page content on the graphics processor.",
     .flags = kOn},
    {.name = "zero-copy-video-capture", .channel_mask = kDevelopment,
     .title = "Zero-copy video capture",
     .description = "Pass camera frames to the page without copying them.", .flags = kOff},
    {.name = "hardware-video-decoding", .channel_mask = kAllStreams, .locked = 1,
     .title = "Hardware video decoding",
     .description = "Decode video on the graphics processor where it can.", .flags = kOn},
    {.name = "hardware-media-keys", .channel_mask = kAllStreams,
     .title = "Media keys", .description = "Control media playback with the keyboard's media keys.",
     .flags = kOn},
    {.name = "picture-in-picture-video", .channel_mask = kAllStreams,
     .title = "Picture in picture",
     .description = "Play video in a small window that stays on top.", .flags = kOn},
    {.name = "global-media-controls", .channel_mask = kAllStreams,
     .title = "Media controls in the toolbar",
     .description = "Control media of every tab from one toolbar button.", .flags = kOn},
    {.name = "live-captions", .channel_mask = kDevelopment,
     .title = "Live captions", .description = "Show captions for speech in audio and video.",
     .flags = kOn},
    {.name = "spellcheck-multilingual", .channel_mask = kAllStreams,
     .title = "Multilingual spell check",
     .description = "Check spelling in several languages at once.", .flags = kOn},
    {.name = "translate-page-bar", .channel_mask = kAllStreams,
     .title = "Page translation", .description = "Offer to translate pages in other languages.",
     .flags = kOn},
    {.name = "dark-mode-web-contents", .channel_mask = kDevelopment,
     .title = "Dark pages",
     .description = "Render pages in dark colours when the system uses a dark theme.",
     .flags = kOff},
    {.name = "dark-mode-settings-page", .channel_mask = kAllStreams,
     .title = "Dark settings pages",
     .description = "Follow the system's dark theme on the browser's own pages.", .flags = kOn},
    {.name = "theme-accent-from-system", .channel_mask = kDevelopment,
     .title = "System accent colour",
     .description = "Take the window frame's colour from the system's accent colour.",
     .flags = kOn},
    {.name = "address-bar-suggestions-rich", .channel_mask = kAllStreams,
     .title = "Rich address bar suggestions",
     .description = "Show images and answers in address bar suggestions.", .flags = kOn},
    {.name = "address-bar-calculator", .channel_mask = kAllStreams,
     .title = "Calculator in the address bar",
     .description = "Answer arithmetic typed into the address bar.", .flags = kOn},
    {.name = "address-bar-unit-conversion", .channel_mask = kDevelopment,
     .title = "Unit conversion",
     .description = "Convert units and currencies typed into the address bar.", .flags = kOn},
    {.name = "address-bar-tab-switch", .channel_mask = kAllStreams,
     .title = "Switch to open tab",
     .description = "Suggest switching to a tab that already shows the address typed.",
     .flags = kOn},
    {.name = "search-engine-choice-screen", .channel_mask = kAllStreams, .locked = 1,
     .title = "Search engine choice",
     .description = "Ask for the default search engine on first run.", .flags = kOff},
    {.name = "new-tab-page-customization", .channel_mask = kAllStreams,
     .title = "Customisable new tab page", .description = "Let the user arrange the new tab page.",
     .flags = kOn},
    {.name = "new-tab-page-background-images", .channel_mask = kAllStreams,
     .title = "New tab backgrounds", .description = "Show a background image on the new tab page.",
     .flags = kOn},
    {.name = "start-page-shortcuts", .channel_mask = kAllStreams,
     .title = "Start page shortcuts",
     .description = "Show shortcuts to frequent sites on the start page.", .flags = kOn},
    {.name = "session-restore-lazy-tabs", .channel_mask = kAllStreams,
     .title = "Lazy session restore",
     .description = "Load restored tabs only when they are first shown.", .flags = kOn},
    {.name = "session-crash-recovery-bubble", .channel_mask = kAllStreams,
     .title = "Restore after a crash",
     .description = "Offer to restore the last session after the browser crashed.", .flags = kOn},
    {.name = "profile-picker-on-startup", .channel_mask = kDevelopment,
     .title = "Profile picker", .description = "Ask which profile to open when several exist.",
     .flags = kOn},
    {.name = "profile-switcher-menu", .channel_mask = kAllStreams,
     .title = "Profile menu", .description = "Switch profiles from a toolbar menu.", .flags = kOn},
    {.name = "sync-encryption-passphrase", .channel_mask = kAllStreams, .locked = 1,
     .title = "Sync passphrase",
     .description = "Encrypt synchronised data with a passphrase of the user.", .flags = kOn},
    {.name = "sync-tabs-across-devices", .channel_mask = kAllStreams,
     .title = "Tabs from other devices",
     .description = "Show the open tabs of the user's other devices.", .flags = kOn},
    {.name = "sync-history", .channel_mask = kDevelopment,
     .title = "History sync", .description = "Synchronise browsing history between devices.",
     .flags = kOn},
    {.name = "notifications-native-windows", .channel_mask = kAllStreams,
     .title = "System notifications",
     .description = "Show site notifications through the system's notification centre.",
     .flags = kOn},
    {.name = "notifications-quiet-ui", .channel_mask = kDevelopment,
     .title = "Quiet notification requests",
     .description = "Ask for notification permission without a prompt over the page.",
     .flags = kOff},
    {.name = "permission-chip", .channel_mask = kDevelopment,
     .title = "Permission chip",
     .description = "Ask for permissions from a chip in the address bar.", .flags = kOn},
    {.name = "permission-prompt-quieting", .channel_mask = kSorrel,
     .title = "Quieter permission prompts",
     .description = "Hold back permission prompts of sites that ask too often.", .flags = kOn},
    {.name = "https-first-mode", .channel_mask = kAllStreams,
     .title = "HTTPS first",
     .description = "Try HTTPS before HTTP and warn before loading a page over HTTP.",
     .flags = kOff},
    {.name = "https-upgrades", .channel_mask = kAllStreams,
     .title = "HTTPS upgrades", .description = "Load pages over HTTPS when a site offers it.",
     .flags = kOn},
    {.name = "dns-over-https", .channel_mask = kAllStreams,
     .title = "Secure DNS", .description = "Look up host names over HTTPS.", .flags = kOn},
    {.name = "secure-dns-settings-ui", .channel_mask = kAllStreams,
     .title = "Secure DNS settings",
     .description = "Offer the choice of a secure DNS provider in the settings.", .flags = kOn},
    {.name = "third-party-cookie-blocking", .channel_mask = kAllStreams,
     .title = "Block third-party cookies",
     .description = "Block cookies of other sites than the one shown.", .flags = kOff},
    {.name = "tracker-blocking", .channel_mask = kAllStreams,
     .title = "Tracker blocking", .description = "Block requests to known tracking services.",
     .flags = kOn},
    {.name = "ad-blocking", .channel_mask = kAllStreams,
     .title = "Ad blocking", .description = "Block advertisements on pages.", .flags = kOff},
    {.name = "fingerprinting-protection", .channel_mask = kDevelopment,
     .title = "Fingerprinting protection",
     .description = "Limit what scripts can learn about the device.", .flags = kOn},
    {.name = "site-isolation-strict", .channel_mask = kAllStreams, .locked = 1,
     .title = "Strict site isolation", .description = "Run every site in its own process.",
     .flags = kOn},
    {.name = "back-forward-cache", .channel_mask = kAllStreams,
     .title = "Back-forward cache",
     .description = "Keep recent pages in memory for instant back and forward.", .flags = kOn},
    {.name = "prerender-on-hover", .channel_mask = kDevelopment,
     .title = "Prerender on hover",
     .description = "Start loading a link's page while the pointer rests on it.", .flags = kOff},
    {.name = "memory-saver-mode", .channel_mask = kAllStreams,
     .title = "Memory saver", .description = "Free the memory of inactive tabs.", .flags = kOn},
    {.name = "energy-saver-mode", .channel_mask = kAllStreams,
     .title = "Energy saver", .description = "Reduce background work while running on battery.",
     .flags = kOn},
    {.name = "background-tab-throttling", .channel_mask = kAllStreams, .locked = 1,
     .title = "Background tab throttling",
     .description = "Slow down timers of tabs in the background.", .flags = kOn},
    {.name = "web-app-installation", .channel_mask = kAllStreams,
     .title = "Web app installation",
     .description = "Install sites as applications with their own windows.", .flags = kOn},
    {.name = "web-app-window-controls-overlay", .channel_mask = kDevelopment,
     .title = "Web app title bar",
     .description = "Let installed web apps draw into their title bar.", .flags = kOn},
    {.name = "shared-clipboard", .channel_mask = kSorrel,
     .title = "Shared clipboard", .description = "Send copied text to the user's other devices.",
     .flags = kOn},
    {.name = "screenshot-tool", .channel_mask = kAllStreams,
     .title = "Screenshots", .description = "Capture and annotate pages from the toolbar.",
     .flags = kOn},
    {.name = "pdf-viewer-annotations", .channel_mask = kDevelopment,
     .title = "PDF annotations", .description = "Draw and highlight in the PDF viewer.",
     .flags = kOn},
    {.name = "taskbar-jump-list", .channel_mask = kAllStreams,
     .title = "Taskbar jump list",
     .description = "Offer recent and frequent pages in the taskbar's jump list.", .flags = kOn},
    {.name = "windows-native-window-occlusion", .channel_mask = kAllStreams,
     .title = "Occlusion tracking", .description = "Stop drawing windows that other windows cover.",
     .flags = kOn},
    {.name = "autoupdate-background-download", .channel_mask = kAllStreams, .locked = 1,
     .title = "Background update download",
     .description = "Download updates while the browser runs.", .flags = kOn},
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
