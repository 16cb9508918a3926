// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RECORDING_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_RECORDING_STATS_SENDER_H_

// TODO(review): installer_window_impl_unittest.cc still includes this path;
// once the window work under ui/ has landed, include the statistics folder's
// header there and delete this one.
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"

#endif  // DESKTOP_WINDOWS_INSTALLER_RECORDING_STATS_SENDER_H_
