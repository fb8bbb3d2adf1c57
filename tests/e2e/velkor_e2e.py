#!/usr/bin/env python3
"""Velkor from the outside, the way a person meets it on a fresh machine.

Installs the built bundle into a temporary home, starts the installed program on a private X
server and drives it with real mouse clicks and keys: a few moves against Stockfish, a two-game
automatch set up through the panel, the history copied as CSV, quit, start again and find the
same history. The program tells where its named widgets are through $VELKOR_WIDGET_MAP.

Everything runs under one watchdog; the X server, the program and its engines are ended whatever
happens. Usage: velkor_e2e.py --source-dir DIR --build-dir DIR [--artifacts DIR]
"""

import argparse
import json
import re
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WHOLE_RUN_SECONDS = 170
SCREEN = "1400x900x24"
# A back-rank mate in one for whichever engine is to move: each automatch game ends on its first
# move, so the series takes seconds and the result does not depend on the machine's speed.
MATE_IN_ONE_FEN = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1"
# Opening moves for the human side, tried in order until one is accepted (the engine's replies
# decide which are legal).
WHITE_CANDIDATES = ["e2e4", "d2d4", "g1f3", "b1c3", "c2c3", "h2h3", "a2a3", "g2g3", "b2b3"]
BLACK_CANDIDATES = ["e7e5", "d7d5", "g8f6", "b8c6", "c7c6", "h7h6", "a7a6", "g7g6", "b7b6"]
HUMAN_MOVES = 3


class Failure(Exception):
    pass


class Watchdog(Exception):
    pass


def log(message):
    print(f"[e2e {time.monotonic() - START:6.1f}s] {message}", flush=True)


START = time.monotonic()


def on_alarm(_signum, _frame):
    raise Watchdog(f"the whole run took longer than {WHOLE_RUN_SECONDS} s")


def wait_until(what, probe, timeout, interval=0.1):
    """Returns probe()'s first true value; fails after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Processes:
    """Every process the run starts, each in its own process group so its children go with it."""

    def __init__(self):
        self.started = []

    def start(self, args, **kwargs):
        process = subprocess.Popen(args, start_new_session=True, **kwargs)
        self.started.append(process)
        return process

    def end(self, process, grace=3.0):
        if process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                pass
        # Engines the program left behind share its process group.
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            pass

    def end_all(self):
        for process in reversed(self.started):
            self.end(process)
        self.started.clear()


class Screen:
    """A private X server found through -displayfd, and xdotool on it."""

    def __init__(self, processes, logs):
        read_end, write_end = os.pipe()
        self.server = processes.start(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=logs, stderr=logs)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.server.poll() is not None:
                raise Failure("Xvfb did not report its display")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        log(f"Xvfb on display {self.display}")

    def env(self):
        return dict(os.environ, DISPLAY=self.display)

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env(), check=check, timeout=15,
                              capture_output=True, text=True)

    def move(self, x, y):
        # Not --sync: it waits forever when the pointer is already there.
        self.run("xdotool", "mousemove", str(x), str(y))
        time.sleep(0.05)

    def click(self, x, y):
        self.move(x, y)
        self.run("xdotool", "click", "1")

    def wheel(self, x, y, down):
        self.move(x, y)
        self.run("xdotool", "click", "5" if down else "4")

    def key(self, *keys):
        self.run("xdotool", "key", "--delay", "30", *keys)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "20", text)

    def clipboard(self):
        return self.run("xclip", "-o", "-selection", "clipboard").stdout

    def screenshot(self, path):
        if shutil.which("import"):
            self.run("import", "-window", "root", path, check=False)
            log(f"screenshot {path}")


class Velkor:
    """The installed program and the map of its widgets."""

    def __init__(self, processes, screen, home, executable, logs):
        self.screen = screen
        self.map_path = os.path.join(home, "widget-map.json")
        if os.path.exists(self.map_path):
            os.remove(self.map_path)
        env = clean_env(home)
        env.update(DISPLAY=screen.display, VELKOR_WIDGET_MAP=self.map_path)
        self.processes = processes
        self.process = processes.start([executable], env=env, cwd=home, stdout=logs, stderr=logs)
        wait_until("the main window", lambda: self.find("board"), 30)
        # The window may still be placed after its first paint: wait until it stays put.
        last = [None]

        def settled():
            rect = self.need("mainWindow")["rect"]
            same, last[0] = rect == last[0], rect
            return same
        wait_until("the window to settle", settled, 10, interval=0.4)
        log(f"Velkor is up, window at {last[0]}")

    def widgets(self):
        try:
            with open(self.map_path, encoding="utf-8") as file:
                return json.load(file)
        except (OSError, ValueError):
            return []

    def find(self, name, **fields):
        if self.process.poll() is not None:
            raise Failure(f"Velkor ended unexpectedly (exit status {self.process.returncode})")
        for widget in self.widgets():
            if widget["name"] == name and all(widget.get(k) == v for k, v in fields.items()):
                return widget
        return None

    def need(self, name, timeout=10, **fields):
        return wait_until(f"widget {name}", lambda: self.find(name, **fields), timeout)

    def click(self, name, timeout=10):
        """Clicks the middle of the named widget's reachable part, scrolling the panel to it."""
        widget = self.need(name, timeout)
        for _ in range(40):
            shown, whole = widget["visibleRect"], widget["rect"]
            if shown["h"] >= min(whole["h"], 12) and shown["w"] > 0:
                break
            pane = self.need("panelTabs")["rect"]
            self.screen.wheel(pane["x"] + pane["w"] // 2, pane["y"] + pane["h"] // 2,
                              down=whole["y"] > pane["y"])
            time.sleep(0.25)
            widget = self.need(name, timeout)
        else:
            raise Failure(f"could not scroll {name} into view")
        shown = widget["visibleRect"]
        # Check boxes and radio buttons answer only on their mark and text, at the left.
        left = widget["class"] in ("QCheckBox", "QRadioButton")
        x = shown["x"] + (min(8, shown["w"] // 2) if left else shown["w"] // 2)
        self.screen.click(x, shown["y"] + shown["h"] // 2)
        return widget

    def board(self):
        return self.need("board")

    def click_square(self, square):
        board = self.board()
        rect, flipped = board["boardRect"], board["flipped"]
        side = rect["w"] / 8
        file, rank = ord(square[0]) - ord("a"), int(square[1]) - 1
        column, row = (7 - file, rank) if flipped else (file, 7 - rank)
        self.screen.click(int(rect["x"] + (column + 0.5) * side),
                          int(rect["y"] + (row + 0.5) * side))

    def choose_menu(self, menu_text, entry_text):
        """Opens a menu of the menu bar and clicks the entry whose text starts with entry_text."""
        def entry(widget_name, text):
            for widget in self.widgets():
                if widget["name"] == widget_name:
                    for action in widget.get("actions", []):
                        if action["text"].startswith(text) and action["rect"]["w"] > 0:
                            return action
            return None
        def click(action):
            rect = action["rect"]
            self.screen.click(rect["x"] + rect["w"] // 2, rect["y"] + rect["h"] // 2)
        click(wait_until(f"menu {menu_text}", lambda: entry("menuBar", menu_text), 10))
        click(wait_until(f"entry {entry_text}", lambda: entry("menu", entry_text), 10))

    def quit_by_keys(self):
        # A click on the panel's title makes the main window the active one again (the About
        # window may have taken the keyboard); the shortcut belongs to the main window.
        self.click("panelTitle")
        time.sleep(0.2)
        self.screen.key("ctrl+q")
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired as error:
            raise Failure("Velkor did not quit on Ctrl+Q") from error
        if self.process.returncode != 0:
            raise Failure(f"Velkor quit with status {self.process.returncode}")
        # Its engines must have gone with it.
        wait_until("the engines to end", lambda: not group_alive(self.process.pid), 10)
        self.processes.started.remove(self.process)
        log("Velkor quit")


def group_alive(pgid):
    try:
        os.killpg(pgid, 0)
        return True
    except ProcessLookupError:
        return False


def clean_env(home):
    env = {key: value for key, value in os.environ.items()
           if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")
           and not key.startswith("XDG_")}
    runtime = os.path.join(home, ".run")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_STATE_HOME=os.path.join(home, ".local", "state"),
               XDG_RUNTIME_DIR=runtime, LC_ALL="C.UTF-8", LANG="C.UTF-8")
    return env


def piece_at(fen, square):
    rows = fen.split()[0].split("/")
    row = rows[8 - int(square[1])]
    column = 0
    for char in row:
        if char.isdigit():
            column += int(char)
            continue
        if column == ord(square[0]) - ord("a"):
            return char
        column += 1
    return None


def play_human_moves(app, white):
    """Plays HUMAN_MOVES moves by clicking from- and to-squares; waits for each engine reply."""
    candidates = WHITE_CANDIDATES if white else BLACK_CANDIDATES
    own = str.isupper if white else str.islower
    if not white:
        wait_until("the engine's first move", lambda: app.board()["plies"] >= 1, 30)
    for _ in range(HUMAN_MOVES):
        board = app.board()
        plies, fen = board["plies"], board["fen"]
        for move in candidates:
            mover, target = piece_at(fen, move[:2]), piece_at(fen, move[2:])
            if mover is None or not own(mover) or (target and own(target)):
                continue
            app.click_square(move[:2])
            time.sleep(0.15)
            app.click_square(move[2:])
            try:
                wait_until(f"{move} to be played",
                           lambda: app.board()["plies"] > plies, 2)
            except Failure:
                # Not legal here (the engine's moves decide): drop the selection, try the next.
                app.click_square(move[:2])
                time.sleep(0.2)
                continue
            log(f"played {move}")
            candidates.remove(move)
            break
        else:
            raise Failure(f"none of the candidate moves was accepted in {fen}")
        wait_until("the engine's reply", lambda: app.board()["plies"] >= plies + 2
                   or app.board()["gameOver"], 30)
    board = app.board()
    if board["plies"] < 2 * HUMAN_MOVES:
        raise Failure(f"only {board['plies']} plies after {HUMAN_MOVES} moves each")
    moves = app.need("movesCount")
    log(f"position after the moves: {board['fen']} (move count shown: {moves.get('text')})")


def check_no_display(executable, home):
    """No display, or one nobody answers on: one clear line and status 1, no Qt abort."""
    unused = next(n for n in range(4242, 4342) if not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    for display, expected in ((None, "no display found"), (f":{unused}", "cannot open display")):
        env = clean_env(home)
        if display:
            env["DISPLAY"] = display
        result = subprocess.run([executable], env=env, capture_output=True, text=True,
                                timeout=20)
        lines = result.stderr.strip().splitlines()
        if result.returncode != 1 or len(lines) != 1 or expected not in lines[0]:
            raise Failure(f"with DISPLAY={display}: status {result.returncode}, "
                          f"stderr {result.stderr!r}")
        log(f"with DISPLAY={display}: {lines[0]}")


def set_spin_box(app, name, value):
    app.click(name)
    app.screen.key("ctrl+a")
    app.screen.type(str(value))
    app.screen.key("Tab")
    wait_until(f"{name} to show {value}", lambda: app.need(name).get("value") == value, 5)


def start_game_as_white_at_low_depth(app):
    app.click("tabButton_3")
    picker = app.need("colorPicker")
    if picker["text"] != picker["items"][0]:
        app.click("colorPicker")
        time.sleep(0.3)
        app.screen.key("Home", "Return")
        wait_until("White to be chosen",
                   lambda: app.need("colorPicker")["text"] == picker["items"][0], 5)
    app.click("thinkingMode_2")
    wait_until("fixed depth", lambda: app.need("thinkingMode_2").get("checked"), 5)
    app.click("depthSlider")
    app.screen.key("Home")
    wait_until("depth 1", lambda: app.need("depthSlider").get("value") == 1, 5)
    app.click("startGameButton")
    wait_until("a fresh game", lambda: app.board()["plies"] == 0
               and not app.board()["flipped"], 10)
    app.click("tabButton_0")


def run_automatch(app, screen, artifacts):
    app.click("tabButton_2")
    set_spin_box(app, "automatchGamesCount", 2)
    app.click("automatchPauseSlider")
    screen.key("Home")
    wait_until("no pause between games",
               lambda: app.need("automatchPauseSlider").get("value") == 0, 5)
    app.click("openingSuiteEditor")
    screen.key("ctrl+a", "BackSpace")
    screen.type(MATE_IN_ONE_FEN)
    wait_until("the opening to be taken",
               lambda: app.need("openingSuiteEditor").get("text") == MATE_IN_ONE_FEN, 5)
    screen.screenshot(os.path.join(artifacts, "automatch-settings.png"))
    app.click("startAutomatchButton")
    wait_until("two games in the history",
               lambda: app.find("historyRow_1") and app.find("historyRow_2"), 60)
    wait_until("the series to end",
               lambda: not app.need("stopAutomatchButton")["enabled"], 20)
    log("automatch finished with two games")


def export_csv(app, screen):
    app.click("exportCsvButton")
    return wait_until("CSV on the clipboard",
                      lambda: (lambda text: text if text.count("\n") >= 2 else None)(
                          screen.clipboard().replace("\r\n", "\n").strip() + "\n"), 10)


def check_csv(csv):
    lines = [line for line in csv.strip().splitlines() if line.strip()]
    if len(lines) != 3:
        raise Failure(f"CSV should hold a header and two games, got:\n{csv}")
    if not all(lines[0].count(",") == line.count(",") for line in lines):
        raise Failure(f"CSV rows differ in width:\n{csv}")
    # Both games start from the mate in one with White to move: White mates at once.
    for number, line in enumerate(lines[1:], start=1):
        if not (line.startswith(f"{number},") and "Stockfish" in line and ",1-0," in line
                and MATE_IN_ONE_FEN in line):
            raise Failure(f"CSV row {number} does not record the mate in one:\n{csv}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--artifacts")
    options = parser.parse_args()
    artifacts = options.artifacts or os.path.join(options.build_dir, "e2e-artifacts")
    os.makedirs(artifacts, exist_ok=True)
    built = os.path.join(options.build_dir, "Velkor.app", "Contents", "MacOS", "velkor")
    if not os.access(built, os.X_OK):
        raise Failure(f"{built} is missing: build the velkor target first")
    for tool in ("Xvfb", "xdotool", "xclip"):
        if not shutil.which(tool):
            raise Failure(f"{tool} is not installed (scripts/install-deps.sh installs it)")

    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(WHOLE_RUN_SECONDS)
    processes = Processes()
    home = tempfile.mkdtemp(prefix="velkor-e2e-home-")
    logs = open(os.path.join(artifacts, "processes.log"), "w", encoding="utf-8")
    screen = None
    try:
        subprocess.run(["bash", os.path.join(options.source_dir, "scripts", "desktop-install.sh"),
                        "install", options.build_dir],
                       env=clean_env(home), check=True, timeout=60, stdout=logs, stderr=logs)
        executable = os.path.join(home, ".local", "opt", "Velkor.app", "Contents", "MacOS",
                                  "velkor")
        log(f"installed into {home}")
        check_no_display(executable, home)

        screen = Screen(processes, logs)
        app = Velkor(processes, screen, home, executable, logs)
        start_game_as_white_at_low_depth(app)
        play_human_moves(app, white=True)
        screen.screenshot(os.path.join(artifacts, "game.png"))

        run_automatch(app, screen, artifacts)
        first_csv = export_csv(app, screen)
        check_csv(first_csv)
        log("history as CSV:\n" + first_csv.strip())
        screen.screenshot(os.path.join(artifacts, "history.png"))
        app.quit_by_keys()

        # Started again through the link in ~/.local/bin, as from a terminal.
        app = Velkor(processes, screen, home, os.path.join(home, ".local", "bin", "velkor"), logs)
        app.click("tabButton_2")
        app.need("historyRow_2")
        app.need("historyRow_1")
        if app.find("historyRow_3"):
            raise Failure("the restored history holds more than the two games")
        restored_csv = export_csv(app, screen)
        if restored_csv != first_csv:
            raise Failure(f"restored history differs:\n{first_csv}\n---\n{restored_csv}")
        log("history restored after a restart")
        app.quit_by_keys()

        # The bundle works wherever it is: a copy in another folder reads its own Info.plist.
        elsewhere = os.path.join(home, "some other folder", "Velkor.app")
        shutil.copytree(os.path.dirname(os.path.dirname(os.path.dirname(executable))), elsewhere,
                        symlinks=True)
        plist = os.path.join(elsewhere, "Contents", "Info.plist")
        with open(plist, encoding="utf-8") as file:
            text = file.read()
        text = re.sub(r"(<key>CFBundleShortVersionString</key>\s*<string>)[^<]*", r"\g<1>7.7.7",
                      text)
        text = re.sub(r"(<key>CFBundleVersion</key>\s*<string>)[^<]*", r"\g<1>77", text)
        with open(plist, "w", encoding="utf-8") as file:
            file.write(text)
        app = Velkor(processes, screen, home,
                     os.path.join(elsewhere, "Contents", "MacOS", "velkor"), logs)
        app.choose_menu("Help", "About")
        version = app.need("versionLine")["text"]
        if "7.7.7 (77)" not in version:
            raise Failure(f"About of the moved bundle shows {version!r}")
        log(f"moved bundle's About: {version}")
        app.quit_by_keys()
        log("passed")
        return 0
    except (Failure, Watchdog, subprocess.SubprocessError) as error:
        log(f"FAILED: {error}")
        if screen is not None:
            try:
                screen.screenshot(os.path.join(artifacts, "failure.png"))
            except (Failure, Watchdog, subprocess.SubprocessError):
                pass
        return 1
    finally:
        signal.alarm(0)
        processes.end_all()
        logs.close()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
