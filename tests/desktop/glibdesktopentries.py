#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""How GLib's Gio.DesktopAppInfo reads and starts desktop entries, for tests.

Reads a JSON object from standard input: "ids", the desktop-file ids to look
at, "fileSets", lists of file paths to start each entry with, and "record",
the file that the exec recorder (loaded with LD_PRELOAD) writes each start to.
Writes a JSON object per id: whether GLib loads it ("loads"), shows it
("shown"), its Name ("name"), the name it displays ("displayName"), its
Terminal flag ("terminal"), and per file set the starts ("starts"): each the
working folder, the program's file name and its arguments, with file URIs
given back as paths and GLib's own launch helper left out.
"""
import json
import os
import sys
import urllib.parse

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402


def recorded_starts(record):
    starts = []
    with open(record, encoding="utf-8", errors="surrogateescape") as lines:
        for line in lines:
            fields = line.rstrip("\n").split("\x1f")[:-1]
            # GLib starts the program through its helper, which takes it as an argument.
            if fields[1] == "gio-launch-desktop":
                fields = [fields[0], os.path.basename(fields[2])] + fields[3:]
            starts.append([urllib.parse.unquote(field[len("file://"):])
                           if field.startswith("file:///") else field for field in fields])
    return starts


def starts_of(info, files, record):
    if os.path.exists(record):
        os.remove(record)
    pids = []
    uris = [Gio.File.new_for_path(path).get_uri() for path in files]
    try:
        info.launch_uris_as_manager(
            uris, None, GLib.SpawnFlags.SEARCH_PATH | GLib.SpawnFlags.DO_NOT_REAP_CHILD,
            None, None, lambda _info, pid, _data: pids.append(pid), None)
    except GLib.Error:
        return None
    for pid in pids:
        os.waitpid(pid, 0)
    return recorded_starts(record) if os.path.exists(record) else []


def describe(entry_id, file_sets, record):
    try:
        info = Gio.DesktopAppInfo.new(entry_id)
    except TypeError:
        info = None
    if info is None:
        return {"loads": False, "shown": False}
    return {
        "loads": True,
        "shown": info.should_show(),
        "name": info.get_name(),
        "displayName": info.get_display_name(),
        "terminal": info.get_boolean("Terminal"),
        "starts": [starts_of(info, files, record) for files in file_sets],
    }


def main():
    request = json.load(sys.stdin)
    os.environ["KAVRUN_EXEC_RECORD"] = request["record"]
    answer = {entry_id: describe(entry_id, request["fileSets"], request["record"])
              for entry_id in request["ids"]}
    json.dump(answer, sys.stdout)


main()
