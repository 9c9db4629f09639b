#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A screen reader's view of kav-run over AT-SPI, for the end-to-end tests.

Prints every event that a screen reader listens to as one JSON object a line
({"event", "role", "name", "description", "data", "child", "detail1",
"elapsed"}: "child" names an object the event carries), and answers these
requests, one a line on standard input, with JSON lines too:

  tree              every object of kav-run's windows ({"role", "name",
                    "description", "text", "states"}), then {"end": "tree"}
  read-lists MS     reads every list and table of kav-run over and over for
                    MS milliseconds, as a reader does while a list fills,
                    then {"end": "read-lists", "reads": N}

It prints {"ready": true} once it listens. The application is found by the
name "kav-run".
"""
import json
import sys
import time

import pyatspi
from gi.repository import GLib

EVENTS = [
    "object:text-changed",
    "object:property-change:accessible-name",
    "object:property-change:accessible-description",
    "object:property-change:accessible-value",
    "object:state-changed",
    "object:value-changed",
    "object:announcement",
    "object:active-descendant-changed",
    "object:selection-changed",
    "focus:",
]
LIST_ROLES = {pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE,
              pyatspi.ROLE_LIST_BOX}
STARTED = time.monotonic()


def say(record):
    sys.stdout.write(json.dumps(record) + "\n")
    sys.stdout.flush()


def quietly(read, default=""):
    """What @p read returns; @p default when the object went or cannot answer."""
    try:
        return read()
    except Exception:  # a dead object, a missing interface, a D-Bus timeout
        return default


def text_of(accessible):
    def read():
        text = accessible.queryText()
        return text.getText(0, text.characterCount)
    return quietly(read)


def on_event(event):
    data = event.any_data
    say({
        "event": str(event.type),
        "role": quietly(lambda: event.source.getRoleName()),
        "name": quietly(lambda: event.source.name),
        "description": quietly(lambda: event.source.description),
        "child": quietly(lambda: data.name) if isinstance(data, pyatspi.Accessible) else None,
        "data": data if isinstance(data, str) else ("<object>" if data is not None else None),
        "detail1": event.detail1,
        "elapsed": round((time.monotonic() - STARTED) * 1000),
    })


def applications():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(quietly(lambda: desktop.childCount, 0)):
        application = quietly(lambda: desktop.getChildAtIndex(index), None)
        if application is not None and quietly(lambda: application.name) == "kav-run":
            yield application


def walk(accessible, depth=0):
    if accessible is None or depth > 40:
        return
    yield accessible
    for index in range(quietly(lambda: accessible.childCount, 0)):
        yield from walk(quietly(lambda: accessible.getChildAtIndex(index), None), depth + 1)


def tree():
    for application in applications():
        for accessible in walk(application):
            say({
                "role": quietly(lambda: accessible.getRoleName()),
                "name": quietly(lambda: accessible.name),
                "description": quietly(lambda: accessible.description),
                "text": text_of(accessible),
                "states": sorted(pyatspi.stateToString(state) for state in
                                 quietly(lambda: accessible.getState().getStates(), [])),
            })
    say({"end": "tree"})


def read_lists(milliseconds):
    reads = 0
    deadline = time.monotonic() + milliseconds / 1000
    while time.monotonic() < deadline:
        for application in applications():
            for accessible in walk(application):
                if quietly(lambda: accessible.getRole(), None) not in LIST_ROLES:
                    continue
                for index in range(quietly(lambda: accessible.childCount, 0)):
                    child = quietly(lambda: accessible.getChildAtIndex(index), None)
                    quietly(lambda: (child.name, child.description, child.getState()))
                    reads += 1
    say({"end": "read-lists", "reads": reads})


def on_request(source, condition):
    line = sys.stdin.readline()
    if not line:
        pyatspi.Registry.stop()
        return False
    words = line.split()
    if words == ["tree"]:
        tree()
    elif len(words) == 2 and words[0] == "read-lists":
        read_lists(int(words[1]))
    else:
        say({"error": "unknown request: " + line.strip()})
    return True


def main():
    pyatspi.Registry.registerEventListener(on_event, *EVENTS)
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_request)
    say({"ready": True})
    pyatspi.Registry.start()


if __name__ == "__main__":
    main()
