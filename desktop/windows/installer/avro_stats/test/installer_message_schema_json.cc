// Copyright 2026 Velta Software. All rights reserved.

// Tests only: prints the statistics message schema as Avro JSON, for the
// peer decoder of the native build (installer_message_peer_check).

#include <stdio.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_message_schema.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_schema_json.h"

int main() {
  const std::string json = velta::AvroSchemaToJson(*velta::BuildInstallerMessageSchema());
  return fwrite(json.data(), 1, json.size(), stdout) == json.size() ? 0 : 1;
}
