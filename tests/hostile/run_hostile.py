#!/usr/bin/env python3
"""Runs brevane-cli on every bomb of make_hostile.py, each command in a child of its own, and
checks it ends within the time and memory budgets with exit status 1 and its row's message (a
bomb that is a valid picture: status 0, nothing on stderr). Prints each command's wall time
and peak memory.   run_hostile.py BREVANE_CLI [FILTER: rows whose name contains it]"""

import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_hostile  # noqa: E402

MAX_SECONDS, MAX_RSS_MB = 10, 512
KILL_AFTER_SECONDS = 60  # the case has failed by then anyway


def run(argv, out_path, err_path):
    """Runs argv; returns (exit status or -signal, wall seconds, peak RSS in MB, killed)."""
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=[
            (os.POSIX_SPAWN_DUP2, out.fileno(), 1), (os.POSIX_SPAWN_DUP2, err.fileno(), 2)])
    start, killed = time.monotonic(), False
    # wait4 reports this child's own resource use, whatever else ran before.
    while not (waited := os.wait4(pid, os.WNOHANG))[0]:
        if not killed and time.monotonic() - start > KILL_AFTER_SECONDS:
            os.kill(pid, 9)
            killed = True
        time.sleep(0.01)
    return os.waitstatus_to_exitcode(waited[1]), time.monotonic() - start, waited[2].ru_maxrss / 1024.0, killed


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    cli, pick = os.path.abspath(sys.argv[1]), sys.argv[2] if len(sys.argv) == 3 else ""
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="brevane-hostile-") as work:
        # Made by another process: a child starts with its parent's peak memory, which must
        # stay small for the children's figures to be their own.
        subprocess.run([sys.executable, make_hostile.__file__, work], check=True, stdout=subprocess.DEVNULL)
        for name, file, _, commands, message in make_hostile.CASES:
            for n, command in enumerate(commands if pick in name else []):
                out_dir = os.path.join(work, "%s.out%d" % (file, n))
                os.mkdir(out_dir)
                argv = [cli] + [a.replace("{f}", os.path.join(work, file)).replace("{o}", out_dir) for a in command]
                code, wall, rss, killed = run(argv, os.path.join(work, "stdout"), os.path.join(work, "stderr"))
                with open(os.path.join(work, "stderr"), "rb") as f:
                    said = f.read().decode("utf-8", "replace").strip()
                problems = [text for failed_check, text in (
                    (killed, "killed after %d s" % KILL_AFTER_SECONDS),
                    (wall > MAX_SECONDS, "took %.1f s (budget %d s)" % (wall, MAX_SECONDS)),
                    (rss > MAX_RSS_MB, "peak memory %.0f MB (budget %d MB)" % (rss, MAX_RSS_MB)),
                    (code != (1 if message else 0), "exit status %d, not %d" % (code, 1 if message else 0)),
                    (not re.search(message, said) or (not message and said), "stderr does not match %r" % message),
                ) if failed_check]
                last = said.splitlines()[-1].replace(work, "") if said else ""
                print("%s  %-56s %-8s %6.2f s %7.1f MB  %s" % ("FAIL" if problems else "PASS", name, command[0],
                                                            wall, rss, last))
                if problems:
                    print("      " + "; ".join(problems))
                failed, passed = failed + bool(problems), passed + (not problems)
                sys.stdout.flush()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
