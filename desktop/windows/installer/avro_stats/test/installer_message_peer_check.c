/* Copyright 2026 Velta Software. All rights reserved. */

/* A peer that no one here wrote reads what our statistics sender posts.
 *
 *   installer_message_peer_check SCHEMA_JSON BODIES_DIR...
 *
 * Parses the message schema (as our test tool wrote it) with the Avro C
 * library, then for every body-*.bin in each folder: checks the versioned
 * prefix 00 00 00 01 7F, decodes the rest with the library, prints the value
 * as JSON, encodes it again with the library and compares the bytes with
 * what was posted. Exits 0 only when at least one body was read and every
 * body passed. */

#include <avro.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const unsigned char kPrefix[5] = {0x00, 0x00, 0x00, 0x01, 0x7F};

static char* ReadFile(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  if (!file)
    return NULL;
  size_t capacity = 4096, length = 0;
  char* data = malloc(capacity);
  size_t read;
  while (data && (read = fread(data + length, 1, capacity - length, file)) > 0) {
    length += read;
    if (length == capacity) {
      capacity *= 2;
      char* bigger = realloc(data, capacity);
      if (!bigger) {
        free(data);
        fclose(file);
        return NULL;
      }
      data = bigger;
    }
  }
  fclose(file);
  *size = length;
  return data;
}

/* 0 when the body at `path` decodes and encodes back to the same bytes. */
static int CheckBody(avro_value_iface_t* iface, const char* path) {
  size_t size = 0;
  char* body = ReadFile(path, &size);
  if (!body) {
    fprintf(stderr, "%s: cannot read\n", path);
    return 1;
  }
  int result = 1;
  avro_value_t value;
  avro_generic_value_new(iface, &value);
  if (size < sizeof(kPrefix) || memcmp(body, kPrefix, sizeof(kPrefix)) != 0) {
    fprintf(stderr, "%s: no 00 00 00 01 7F prefix\n", path);
    goto done;
  }
  const char* payload = body + sizeof(kPrefix);
  const size_t payload_size = size - sizeof(kPrefix);
  avro_reader_t reader = avro_reader_memory(payload, (int64_t)payload_size);
  int read_error = avro_value_read(reader, &value);
  avro_reader_free(reader);
  if (read_error) {
    fprintf(stderr, "%s: not decodable: %s\n", path, avro_strerror());
    goto done;
  }
  char* json = NULL;
  if (avro_value_to_json(&value, 1, &json) == 0) {
    printf("%s: %s\n", path, json);
    free(json);
  }
  size_t encoded_size = 0;
  avro_value_sizeof(&value, &encoded_size);
  char* encoded = malloc(encoded_size ? encoded_size : 1);
  avro_writer_t writer = avro_writer_memory(encoded, (int64_t)encoded_size);
  int write_error = avro_value_write(writer, &value);
  avro_writer_free(writer);
  if (write_error) {
    fprintf(stderr, "%s: cannot encode again: %s\n", path, avro_strerror());
  } else if (encoded_size != payload_size || memcmp(encoded, payload, payload_size) != 0) {
    fprintf(stderr, "%s: encoded again as %zu bytes that differ from the %zu posted\n", path,
            encoded_size, payload_size);
  } else {
    result = 0;
  }
  free(encoded);
done:
  avro_value_decref(&value);
  free(body);
  return result;
}

static int IsBodyName(const char* name) {
  const size_t length = strlen(name);
  return strncmp(name, "body-", 5) == 0 && length > 4 && strcmp(name + length - 4, ".bin") == 0;
}

static int CompareNames(const void* a, const void* b) {
  return strcmp(*(char* const*)a, *(char* const*)b);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s SCHEMA_JSON BODIES_DIR...\n", argv[0]);
    return 2;
  }
  size_t json_size = 0;
  char* json = ReadFile(argv[1], &json_size);
  if (!json) {
    fprintf(stderr, "%s: cannot read the schema (run the Windows tests first)\n", argv[1]);
    return 1;
  }
  avro_schema_t schema;
  if (avro_schema_from_json_length(json, json_size, &schema)) {
    fprintf(stderr, "%s: not a schema: %s\n", argv[1], avro_strerror());
    return 1;
  }
  free(json);
  avro_value_iface_t* iface = avro_generic_class_from_schema(schema);
  int checked = 0, failed = 0;
  for (int i = 2; i < argc; ++i) {
    DIR* dir = opendir(argv[i]);
    if (!dir) {
      fprintf(stderr, "%s: no bodies (run the Windows tests first)\n", argv[i]);
      ++failed;
      continue;
    }
    char* names[4096];
    size_t count = 0;
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL && count < sizeof(names) / sizeof(names[0])) {
      if (IsBodyName(entry->d_name))
        names[count++] = strdup(entry->d_name);
    }
    closedir(dir);
    qsort(names, count, sizeof(names[0]), CompareNames);
    for (size_t n = 0; n < count; ++n) {
      char path[4096];
      snprintf(path, sizeof(path), "%s/%s", argv[i], names[n]);
      failed += CheckBody(iface, path);
      ++checked;
      free(names[n]);
    }
  }
  avro_value_iface_decref(iface);
  avro_schema_decref(schema);
  printf("%d bodies checked, %d failed\n", checked, failed);
  return checked > 0 && failed == 0 ? 0 : 1;
}
