#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives azelmon through the desktop's accessibility service, as a screen reader user would.

Starts, each private to this run and ended with it: a D-Bus session bus, an X server (Xvfb), the
accessibility bus (at-spi-bus-launcher), the data server (azelmon-tracker, a frozen satellite high in
the sky) and azelmon on its simulated board with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1. Then, through
AT-SPI only: reads the target azimuth (lblAz) and checks it against the data server, presses "自動",
watches the antenna's present azimuth (Label26) turn toward the target with a relay indicator on,
presses "中止" and checks that every relay indicator reads off and the antenna stands still.

Exit 0: passed; 1: failed; 77: the machine lacks a piece (CTest reports the test as skipped).
"""
import argparse
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
TARGET_AZ_DESCRIPTION = "追跡対象の方位角（度）"
PRESENT_AZ_DESCRIPTION = "水平ローテータの指示角度の表示"
LAUNCHER_PATHS = ["/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"]

children = []


def log(text):
    print("atspi: " + text, flush=True)


def die_with_parent():
    # The helpers never outlive this script, whatever ends it.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def start(args, env, **kw):
    proc = subprocess.Popen(args, env=env, preexec_fn=die_with_parent, **kw)
    children.append(proc)
    return proc


def stop_all():
    for proc in reversed(children):
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError("timed out waiting for " + what)


def number(text):
    m = re.search(r"-?\d+(\.\d+)?", text or "")
    return float(m.group(0)) if m else None


def angle_gap(a, b):
    return abs((a - b + 180.0) % 360.0 - 180.0)


def prerequisites():
    launcher = next((p for p in LAUNCHER_PATHS if os.access(p, os.X_OK)), None)
    if not launcher:
        return None, "at-spi2-core's at-spi-bus-launcher is not installed"
    for program in ("Xvfb", "dbus-daemon", "dbus-send"):
        if not shutil.which(program):
            return None, program + " is not installed"
    try:
        import gi  # noqa: F401  (pyatspi is built on it)
        import pyatspi  # noqa: F401
    except Exception as e:  # any import problem means the client side is missing
        return None, "python3-pyatspi cannot be imported: %s" % e
    return launcher, None


def start_x_server(env):
    """An Xvfb of our own on a display far from the ones xvfb-run -a picks; the next one if taken.
    -noreset: the bus launcher's short visit must not make the server reset under azelmon's start."""
    first = 300 + os.getpid() % 600
    for display in list(range(first, 900)) + list(range(300, first)):
        if os.path.exists("/tmp/.X%d-lock" % display):
            continue
        xvfb = start(["Xvfb", ":%d" % display, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"], env,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = "/tmp/.X11-unix/X%d" % display
        deadline = time.monotonic() + 10
        while xvfb.poll() is None and not os.path.exists(socket) and time.monotonic() < deadline:
            time.sleep(0.05)
        time.sleep(0.2)
        if xvfb.poll() is None and os.path.exists(socket):
            return ":%d" % display
        xvfb.kill()
    raise AssertionError("no X display could be started")


def start_environment(args, scratch):
    env = dict(os.environ)
    for key in ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS", "NO_AT_BRIDGE", "AZELMON_CONFIG_DIR"):
        env.pop(key, None)
    runtime = os.path.join(scratch, "runtime")
    os.mkdir(runtime, 0o700)
    env.update(XDG_RUNTIME_DIR=runtime, HOME=scratch, XDG_CONFIG_HOME=os.path.join(scratch, "config"))

    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                stdout=subprocess.PIPE, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()

    env["DISPLAY"] = start_x_server(env)

    start([args.launcher, "--launch-immediately"], env, stderr=subprocess.DEVNULL)

    def a11y_bus_address():
        out = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                              "org.a11y.Bus.GetAddress"], env=env, capture_output=True, text=True)
        m = re.search(r'string "([^"]+)"', out.stdout)
        return m.group(1) if m else None

    wait_for("the accessibility bus", a11y_bus_address, 15)

    start([args.tracker, "--epoch", "2026-03-01T00:00:00Z", "--time", "2026-03-01T00:06:00Z", "--freeze"],
          env, stdout=subprocess.DEVNULL)

    def server_azimuth():
        out = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=dde.ORBI", "/EXTRN",
                              "dde.Topic.Request", "string:TEXT2"], env=env, capture_output=True, text=True)
        m = re.search(r'string "([^"]*)"', out.stdout)
        return number(m.group(1)) if m else None

    satellite_az = wait_for("the data server", server_azimuth, 15)

    workdir = os.path.join(scratch, "run")
    os.mkdir(workdir)
    shutil.copy(os.path.join(args.data, "cntmap.bmp"), workdir)
    app_env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   AZELMON_CONFIG_DIR=os.path.join(scratch, "settings"),
                   AZELMON_INSTANCE_NAME="azelmon-atspi-%d" % os.getpid(), QT_ACCESSIBILITY="1")
    app_log = open(os.path.join(scratch, "azelmon.log"), "w")
    app = start([args.azelmon, "--board", "sim"], app_env, cwd=workdir, stdout=app_log, stderr=app_log)
    return env, app, satellite_az


def find_all(node, match, found, depth=0):
    if node is None or depth > 40:
        return found
    try:
        if match(node):
            found.append(node)
        for i in range(node.childCount):
            find_all(node.getChildAtIndex(i), match, found, depth + 1)
    except Exception:  # a node can vanish while it is walked
        pass
    return found


def press(node):
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    index = next((i for i, n in enumerate(names) if n in ("press", "click", "activate")), 0)
    if not action.doAction(index):
        raise AssertionError("the button refused the press")


def drive(app_proc, satellite_az):
    import pyatspi

    desktop = pyatspi.Registry.getDesktop(0)

    def application():
        if app_proc.poll() is not None:
            raise AssertionError("azelmon ended early with status %d" % app_proc.returncode)
        for i in range(desktop.childCount):
            child = desktop.getChildAtIndex(i)
            if child is not None and child.name == "azelmon":
                return child
        return None

    app = wait_for("azelmon on the accessibility bus", application, 30)
    log("azelmon found on the accessibility bus")

    def one(description=None, name=None, role=None):
        def match(n):
            return ((description is None or n.description == description) and
                    (name is None or n.name == name) and (role is None or n.getRole() == role))
        nodes = find_all(app, match, [])
        return nodes[0] if nodes else None

    target_label = wait_for("lblAz", lambda: one(description=TARGET_AZ_DESCRIPTION), 15)
    present_label = wait_for("Label26", lambda: one(description=PRESENT_AZ_DESCRIPTION), 15)
    auto_button = wait_for("the 自動 button", lambda: one(name="自動", role=pyatspi.ROLE_PUSH_BUTTON), 15)
    abort_button = wait_for("the 中止 button", lambda: one(name="中止", role=pyatspi.ROLE_PUSH_BUTTON), 15)

    def indicators():
        return find_all(app, lambda n: re.match(r"^(右回転|左回転|仰角ＵＰ|仰角ＤＯＷＮ)：", n.name or ""), [])

    if len(indicators()) != 4:
        raise AssertionError("expected four relay indicators, found %d" % len(indicators()))

    target_az = wait_for("a target azimuth in lblAz", lambda: number(target_label.name), 20)
    log("lblAz reads %r, the data server says %.2f" % (target_label.name, satellite_az))
    if angle_gap(target_az, satellite_az) > 0.6:
        raise AssertionError("lblAz %.2f differs from the server's %.2f" % (target_az, satellite_az))

    wait_for("the 自動 button to be enabled",
             lambda: auto_button.getState().contains(pyatspi.STATE_ENABLED), 30)
    wait_for("a present azimuth in Label26", lambda: number(present_label.name) is not None, 20)
    start_az = number(present_label.name)
    log("Label26 reads %r before tracking" % present_label.name)
    press(auto_button)
    log("pressed 自動")

    saw_relay_on = []

    def turning():
        if any(n.name.endswith("オン") for n in indicators()):
            saw_relay_on.append(True)
        now = number(present_label.name)
        return now is not None and angle_gap(now, target_az) < angle_gap(start_az, target_az) - 3.0

    wait_for("the antenna to turn toward the target", turning, 40)
    log("Label26 reads %r while tracking toward %.1f" % (present_label.name, target_az))
    if not saw_relay_on:
        raise AssertionError("no relay indicator read on while the antenna turned")

    press(abort_button)
    log("pressed 中止")
    wait_for("every relay indicator to read off",
             lambda: all(n.name.endswith("オフ") for n in indicators()), 10)
    # Abort takes effect at the next positioning step, so the antenna may turn for up to about a
    # second more, and the display shows where it stopped at the next measurement; then it stays.
    at_abort = number(present_label.name)
    readings = []
    for _ in range(12):
        time.sleep(0.5)
        readings.append(number(present_label.name))
    log("Label26 after 中止: %s" % readings)
    if any(r is None for r in readings) or angle_gap(readings[-1], at_abort) > 9.0:
        raise AssertionError("the antenna ran on after 中止: %s" % readings)
    if max(angle_gap(r, readings[-1]) for r in readings[-5:]) > 0.05:
        raise AssertionError("the antenna still moves 4 seconds after 中止: %s" % readings)
    log("after 中止 every indicator is off and Label26 stays at %r" % present_label.name)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--azelmon", required=True)
    parser.add_argument("--tracker", required=True)
    parser.add_argument("--data", required=True)
    args = parser.parse_args()
    launcher, missing = prerequisites()
    if missing:
        print("SKIP: " + missing, flush=True)
        return SKIP
    args.launcher = launcher
    scratch = tempfile.mkdtemp(prefix="azelmon-atspi-")
    try:
        env, app, satellite_az = start_environment(args, scratch)
        # The client side of AT-SPI finds the accessibility bus through this session bus.
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=env["DBUS_SESSION_BUS_ADDRESS"], DISPLAY=env["DISPLAY"],
                          XDG_RUNTIME_DIR=env["XDG_RUNTIME_DIR"])
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        drive(app, satellite_az)
        log("PASS")
        return 0
    except AssertionError as e:
        log("FAIL: %s" % e)
        app_log = os.path.join(scratch, "azelmon.log")
        if os.path.exists(app_log):
            with open(app_log, encoding="utf-8", errors="replace") as f:
                log("azelmon's output:\n" + f.read()[-3000:])
        return 1
    finally:
        stop_all()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
