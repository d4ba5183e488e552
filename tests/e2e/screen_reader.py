"""A screen reader's view of the running program through AT-SPI: writes the accessible tree of
the main window and of the folder chooser, checks that the header is told once and the lists
are named, then presses 清理内存 as a screen reader user would and checks that the status line
tells the new text and announces the change.

usage: screen_reader.py ARTIFACT_DIR
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

MEMORY_TEXT = "正在检测内存，请稍侯.........."
IDLE_TEXT = "没有任何任务，现在程序休息中"


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def program():
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "marlinth":
                return app
        time.sleep(0.1)
    fail("the program is not on the accessibility bus")


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return None


def value_of(node):
    try:
        return node.queryValue().currentValue
    except NotImplementedError:
        return None


def tree(node, depth=0, lines=None):
    """One line a node: role, name, text and value where it has them; hidden nodes marked."""
    lines = [] if lines is None else lines
    line = f"{'  ' * depth}{node.getRoleName()} \"{node.name}\""
    if (text := text_of(node)) is not None:
        line += f" text=\"{text}\""
    if node.description:
        line += f" description=\"{node.description}\""
    if (value := value_of(node)) is not None:
        line += f" value={value:g}"
    if not node.getState().contains(pyatspi.STATE_SHOWING):
        line += " (not showing)"
    lines.append(line)
    for child in node:
        if child is not None:
            tree(child, depth + 1, lines)
    return lines


def find(node, role, name=None):
    for found in pyatspi.findAllDescendants(node, lambda n: n.getRoleName() == role):
        if name is None or found.name == name:
            return found
    fail(f"no {role} \"{name}\" in the tree")


def main():
    artifacts = sys.argv[1]
    app = program()
    window = app[0]
    with open(f"{artifacts}/main-window-tree.txt", "w") as out:
        out.write("\n".join(tree(window)) + "\n")

    shown = [node for node in pyatspi.findAllDescendants(window, lambda n: n.getState().contains(
        pyatspi.STATE_SHOWING)) if node.getRoleName() in ("label", "status bar")]
    headers = [node for node in shown if node.name.startswith("Marlinth,")]
    if len(headers) != 1:
        fail(f"the header is told {len(headers)} times")
    # The folder chooser, opened and cancelled through the buttons' actions.
    find(window, "push button", "清理文件夹").queryAction().doAction(0)
    dialog = None
    for _ in range(100):
        dialog = next((node for node in app if node is not None and node.name == "目录选择"), None)
        if dialog is not None:
            break
        time.sleep(0.1)
    if dialog is None:
        fail("the folder chooser did not open")
    with open(f"{artifacts}/chooser-tree.txt", "w") as out:
        out.write("\n".join(tree(dialog)) + "\n")
    find(dialog, "combo box", "驱动器")
    folders = find(dialog, "list", "文件夹")
    if folders[0].description != "第 1 层，已打开":
        fail(f"the root folder's row tells \"{folders[0].description}\"")
    find(dialog, "push button", "取消").queryAction().doAction(0)

    status = find(window, "status bar")
    if status.name != IDLE_TEXT or text_of(status) != IDLE_TEXT:
        fail(f"the status line tells \"{status.name}\" before a run")

    # The change as a screen reader hears it, after 清理内存 is pressed through its action.
    heard = []

    def listen(event):
        if event.source == status:
            heard.append((event.type, event.source.name))

    pyatspi.Registry.registerEventListener(listen, "object:property-change:accessible-name",
                                           "object:text-changed:insert")
    button = find(window, "push button", "清理内存")
    button.queryAction().doAction(0)
    GLib.timeout_add(3000, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    print("heard:", heard)
    if not any(kind.startswith("object:property-change:accessible-name") and name == MEMORY_TEXT
               for kind, name in heard):
        fail("no name change to the memory check's text was announced")
    if not any(kind.startswith("object:text-changed:insert") for kind, _ in heard):
        fail("no text change was announced")
    if status.name != MEMORY_TEXT or text_of(status) != MEMORY_TEXT:
        fail(f"the status line tells \"{status.name}\" during the run")
    print(f"status line during the run: {status.name}")


main()
