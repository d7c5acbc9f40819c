#!/usr/bin/env python3
"""The whole road of one update on this machine.

Builds the updater, makes a fake installation (quill.exe 1.0.0.0 running with its
"QuilloraFree" window, the updater and ZipEng179.dll), starts the update server on the
updater's port with a release 2.0.0.0 and the signed release manifest a vendor publishes
beside it (scripts/sign-release.sh), and starts the updater under wine. The updater is
updater_signed, built with the test key pairs that the build makes for itself
(tests/update/keys/); no key is kept in the repository. (The preset's product updater is
configured with QUILL_UNSIGNED_UPDATES=ON; the demo does not use it.)

On a desktop (DISPLAY set, or --interactive) the person clicks. Without a display it runs
under Xvfb, clicks by itself, saves screenshots and prints where they are and what was
installed.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(*args, **kwargs):
    subprocess.run(args, check=True, cwd=ROOT, **kwargs)


def server_base(build):
    """The server base the build's updater asks (a build folder may be configured with a port
    of its own)."""
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("QUILL_SERVER_BASE:"):
                return line.split("=", 1)[1].strip()
    return "http://127.0.0.1:18080/"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--interactive", action="store_true", help="let the person click")
    args = parser.parse_args()
    interactive = args.interactive or bool(os.environ.get("DISPLAY"))

    preset = subprocess.run(["bash", "scripts/wine-preset.sh"], cwd=ROOT, capture_output=True,
                            text=True, check=True).stdout.strip()
    build = os.path.join(ROOT, "build", preset)
    print("building the updater (%s) ..." % preset, flush=True)
    run("cmake", "--preset", preset, stdout=subprocess.DEVNULL)
    run("cmake", "--build", build, "--target", "updater_signed", "wininfo", "update_e2e_data")
    run("bash", "scripts/wine-session.sh", "start", build)

    os.environ.update(QUILL_SOURCE_DIR=ROOT, QUILL_BINARY_DIR=build,
                      QUILL_WINE_RUN=os.path.join(build, "wine-run.sh"),
                      QUILL_SERVER=os.path.join(ROOT, "server", "update_server.py"),
                      QUILL_SERVER_BASE=server_base(build))
    if not interactive:
        os.environ.pop("DISPLAY", None)  # the session's own Xvfb display
    sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
    import quill_e2e as e2e

    demo = os.path.join(build, "demo")
    shutil.rmtree(demo, ignore_errors=True)
    program = os.path.join(demo, "program")
    release = os.path.join(demo, "release")
    shots = os.path.join(demo, "screenshots")
    for folder in (program, release, shots):
        os.makedirs(folder)
    bin_dir = os.path.join(build, "bin")
    shutil.copy(os.path.join(bin_dir, "updater_signed.exe"), os.path.join(program, "updater.exe"))
    shutil.copy(os.path.join(bin_dir, "ZipEng179.dll"), program)
    shutil.copy(os.path.join(build, "tests", "update", "quill_fake_v1.exe"),
                os.path.join(program, "quill.exe"))
    shutil.copy(os.path.join(build, "tests", "update", "UpdateQl.zip"), release)
    # The release side: the vendor writes the signed manifest beside each archive.
    run("sh", "scripts/sign-release.sh", os.path.join(build, "tests", "update", "keys", "current.pem"),
        os.path.join(release, "UpdateQl.zip"), stdout=subprocess.DEVNULL)
    with open(os.path.join(release, "lastver.txt"), "w") as f:
        f.write("OK00012.0.0.0\r\n")
    with open(os.path.join(release, "notes.html"), "w") as f:
        f.write("<html><body><h2>Quillora 2.0.0.0</h2><ul><li>Rapoarte noi</li></ul></body></html>")

    with e2e.UpdateServer(release, fault="slow", slow_delay=0.02) as server:
        main_app = e2e.wine_start(os.path.join(program, "quill.exe"), "--window", cwd=program)
        e2e.wait_window("QuilloraFree", timeout=30)
        updater = e2e.wine_start(os.path.join(program, "updater.exe"), "1.0.0.0", "demo01",
                                 cwd=program)
        if interactive:
            print("the update dialog is open: click \"Descarca actualizarea\"", flush=True)
            updater.wait()
        else:
            dialog = "Versiune noua disponibila"
            if not e2e.wait_window(dialog, timeout=60, process=updater):
                sys.exit("the update dialog did not open")
            time.sleep(1)
            e2e.screenshot(os.path.join(shots, "1-dialog.png"))
            e2e.click_child(dialog, "Descarca actualizarea")
            time.sleep(0.8)
            e2e.screenshot(os.path.join(shots, "2-downloading.png"))
            box = e2e.wait_window("updater", timeout=120, process=updater)
            time.sleep(0.5)
            e2e.screenshot(os.path.join(shots, "3-installed.png"))
            if box:
                e2e.press(box, "Return")
            updater.wait(timeout=60)
        main_app.wait(timeout=30)
        requests = server.requests()

    def read(name):
        path = os.path.join(program, name)
        return open(path, "rb").read() if os.path.exists(path) else None

    registry = subprocess.run([e2e.WINE_RUN, "reg", "query", r"HKCU\Quillora\Diverse", "/v",
                               "VersiuneStructura"], capture_output=True, text=True, cwd="/")
    print()
    print("server requests:   " + ", ".join(r["method"] + " " + r["path"] for r in requests))
    print("firme.reg:         %r" % read("firme.reg"))
    print("registry:          " + " ".join(line.strip() for line in registry.stdout.splitlines()
                                           if "VersiuneStructura" in line))
    print("program folder:    " + ", ".join(sorted(os.listdir(program))))
    if not interactive:
        print("screenshots:       " + shots)
    run("bash", "scripts/wine-session.sh", "stop", build)
    return 0 if read("firme.reg") == b"2.0.0.0\r\n" else 1


if __name__ == "__main__":
    sys.exit(main())
