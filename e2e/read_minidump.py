#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""A small minidump reader with struct only: header, stream directory, the
exception stream, thread and module lists and user streams. Independent of
dbghelp, so the crash tests read every dump twice."""

import struct

SIGNATURE = 0x504D444D  # "MDMP"
THREAD_LIST_STREAM = 3
MODULE_LIST_STREAM = 4
EXCEPTION_STREAM = 6
SYSTEM_INFO_STREAM = 7
ARCHITECTURES = {0: "x86", 9: "x64"}


class MinidumpError(Exception):
    pass


class Minidump:
    def __init__(self, data):
        self.data = data
        if len(data) < 32:
            raise MinidumpError("shorter than a header")
        (signature, version, count, directory_rva, _checksum, _time,
         _flags) = struct.unpack_from("<IIIIIIQ", data, 0)
        if signature != SIGNATURE:
            raise MinidumpError("bad signature 0x%08x" % signature)
        if version & 0xFFFF != 0xA793:
            raise MinidumpError("bad version 0x%08x" % version)
        self.streams = {}
        for index in range(count):
            offset = directory_rva + 12 * index
            if offset + 12 > len(data):
                raise MinidumpError("directory runs past the end")
            stream_type, size, rva = struct.unpack_from("<III", data, offset)
            if rva + size > len(data):
                raise MinidumpError("stream 0x%x runs past the end" % stream_type)
            self.streams.setdefault(stream_type, (rva, size))

    def stream(self, stream_type):
        rva, size = self.streams[stream_type]
        return self.data[rva:rva + size]

    def string(self, rva):
        (length,) = struct.unpack_from("<I", self.data, rva)
        return self.data[rva + 4:rva + 4 + length].decode("utf-16-le")

    def exception(self):
        """(thread id, code, flags, address, parameters) of the crash."""
        rva, _ = self.streams[EXCEPTION_STREAM]
        thread_id, _alignment = struct.unpack_from("<II", self.data, rva)
        code, flags, _record, address, count = struct.unpack_from(
            "<IIQQI", self.data, rva + 8)
        parameters = struct.unpack_from("<%dQ" % min(count, 15), self.data,
                                        rva + 8 + 32)
        return thread_id, code, flags, address, list(parameters)

    def architecture(self):
        """"x86" or "x64": the dumped process's processor architecture."""
        rva, _ = self.streams[SYSTEM_INFO_STREAM]
        (architecture,) = struct.unpack_from("<H", self.data, rva)
        return ARCHITECTURES.get(architecture, "unknown %d" % architecture)

    def thread_ids(self):
        rva, _ = self.streams[THREAD_LIST_STREAM]
        (count,) = struct.unpack_from("<I", self.data, rva)
        # MINIDUMP_THREAD is 48 bytes; its id comes first.
        return [struct.unpack_from("<I", self.data, rva + 4 + 48 * i)[0]
                for i in range(count)]

    def module_names(self):
        rva, _ = self.streams[MODULE_LIST_STREAM]
        (count,) = struct.unpack_from("<I", self.data, rva)
        names = []
        for i in range(count):
            # MINIDUMP_MODULE is 108 bytes; the name's RVA is at offset 20.
            (name_rva,) = struct.unpack_from("<I", self.data, rva + 4 + 108 * i + 20)
            names.append(self.string(name_rva))
        return names


def read(path):
    with open(path, "rb") as file:
        return Minidump(file.read())
