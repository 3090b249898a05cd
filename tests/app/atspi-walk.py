"""What a screen reader finds of Kesto through AT-SPI: prints the tree of each of its
windows, presses "一発解凍" through its action, opens the settings dialog through the
menu and closes it through "ｷｬﾝｾﾙ".
    atspi-walk.py MARKER_FILE   exits 0 when the pass the press started wrote MARKER_FILE"""
import os
import sys
import threading
import time

import pyatspi
from gi.repository import GLib

marker = sys.argv[1]


def wait_for(find, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    sys.exit(f"not found within {seconds} s")


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Kesto":
            return app
    return None


def find(node, role, name):
    if node is None:
        return None
    if node.getRole() == role and node.name == name:
        return node
    for child in node:
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def show(node, depth=0):
    states = node.getState()
    flags = [n for n, s in (("focusable", pyatspi.STATE_FOCUSABLE), ("enabled", pyatspi.STATE_ENABLED)) if states.contains(s)]
    print(f"{'  ' * depth}{node.getRoleName()} {node.name!r} {' '.join(flags)}")
    for child in node:
        show(child, depth + 1)


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("press") if "press" in names else 0)


def press_opening_dialog(node):
    """Presses a control that opens a modal dialog: its action answers only once the
    dialog closes, so the press waits on a thread of its own."""
    def pressing():
        try:
            press(node)
        except Exception:
            pass  # no answer while the dialog was open
    opening = threading.Thread(target=pressing, daemon=True)
    opening.start()
    return opening


def first(node, role):
    if node.getRole() == role:
        return node
    for child in node:
        found = first(child, role)
        if found is not None:
            return found
    return None


app = wait_for(application)
main = wait_for(lambda: find(app, pyatspi.ROLE_FRAME, "Kesto 1.01"))
buttons = [wait_for(lambda n=n: find(main, pyatspi.ROLE_PUSH_BUTTON, n)) for n in ("一発解凍", "連続解凍", "終了")]
print("== the main window")
show(main)
press(buttons[0])
wait_for(lambda: True if os.path.exists(marker) else None)
print("== pressing 一発解凍 ran a pass")

# The continuous button's new caption is announced as a name change.
names_heard = []
pyatspi.Registry.registerEventListener(lambda event: names_heard.append(event.source.name),
                                       "object:property-change:accessible-name")
press(buttons[1])
deadline = time.time() + 10
while "停止" not in names_heard and time.time() < deadline:
    GLib.MainContext.default().iteration(False)
    time.sleep(0.05)
if "停止" not in names_heard:
    sys.exit(f"no name change announced for 停止 (heard {names_heard})")
print("== pressing 連続解凍 announced its new name 停止")
press(buttons[1])

opening = press_opening_dialog(wait_for(lambda: find(main, pyatspi.ROLE_MENU_ITEM, "設定")))
dialog = wait_for(lambda: find(app, pyatspi.ROLE_DIALOG, "設定") or find(app, pyatspi.ROLE_FRAME, "設定"))
print("== the settings dialog")
show(dialog)
for role, name in ((pyatspi.ROLE_TEXT, "監視ﾌｫﾙﾀﾞ"), (pyatspi.ROLE_SPIN_BUTTON, "監視ｲﾝﾀｰﾊﾞﾙ"), (pyatspi.ROLE_PUSH_BUTTON, "ｷｬﾝｾﾙ")):
    wait_for(lambda: find(dialog, role, name))
browsing = press_opening_dialog(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "参照"))
browser = wait_for(lambda: find(app, pyatspi.ROLE_DIALOG, "フォルダの参照"))
tree = wait_for(lambda: first(browser, pyatspi.ROLE_TREE) or first(browser, pyatspi.ROLE_TREE_TABLE))
items = [tree.getChildAtIndex(i).name for i in range(min(tree.childCount, 6))]
print("== the folder browser's tree:", items)
if not any(items):
    sys.exit("the folder browser's tree has no named items")
press(find(browser, pyatspi.ROLE_PUSH_BUTTON, "キャンセル"))
browsing.join(20)
press(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "ｷｬﾝｾﾙ"))
opening.join(20)
print("== cancelled")
