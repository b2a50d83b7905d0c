#!/usr/bin/env python3
"""Runs brevane-cli on every bomb of make_hostile.py, each command in a child process of
its own, and checks that it ends within the time and memory budgets with exit status 1
and the message its row names (or, for a bomb that is a valid picture and must simply be
cheap, with status 0 and nothing on stderr).

    run_hostile.py BREVANE_CLI [FILTER]

FILTER picks the rows whose name contains it. Prints one line per command with its wall time and peak memory, then the totals.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_hostile  # noqa: E402

MAX_SECONDS = 10
MAX_RSS_MB = 512
# A child still running this long is killed: the case has failed by then anyway.
KILL_AFTER_SECONDS = 60


def run(argv, out_path, err_path):
    """Runs argv; returns (exit status or -signal, wall seconds, peak RSS in MB, killed)."""
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        pid = os.posix_spawn(argv[0], argv, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, out.fileno(), 1),
                                           (os.POSIX_SPAWN_DUP2, err.fileno(), 2)])
    start = time.monotonic()
    killed = False
    while True:
        # wait4 reports this child's own resource use, whatever else ran before.
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done:
            break
        if not killed and time.monotonic() - start > KILL_AFTER_SECONDS:
            os.kill(pid, 9)
            killed = True
        time.sleep(0.01)
    wall = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    return code, wall, usage.ru_maxrss / 1024.0, killed


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    cli = os.path.abspath(sys.argv[1])
    pick = sys.argv[2] if len(sys.argv) == 3 else ""
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="brevane-hostile-") as work:
        # Made by another process: a child starts with its parent's peak memory, which
        # must stay small for the children's figures to be their own.
        subprocess.run([sys.executable, make_hostile.__file__, work], check=True, stdout=subprocess.DEVNULL)
        for name, file, _, commands, message in make_hostile.CASES:
            if pick not in name:
                continue
            path = os.path.join(work, file)
            for n, command in enumerate(commands):
                out_dir = os.path.join(work, "%s.out%d" % (file, n))
                os.mkdir(out_dir)
                argv = [cli] + [a.replace("{f}", path).replace("{o}", out_dir) for a in command]
                err_path = os.path.join(work, "stderr")
                code, wall, rss, killed = run(argv, os.path.join(work, "stdout"), err_path)
                with open(err_path, "rb") as f:
                    said = f.read().decode("utf-8", "replace").strip()
                expected_code = 1 if message else 0
                problems = [text for failed_check, text in (
                    (killed, "killed after %d s" % KILL_AFTER_SECONDS),
                    (wall > MAX_SECONDS, "took %.1f s (budget %d s)" % (wall, MAX_SECONDS)),
                    (rss > MAX_RSS_MB, "peak memory %.0f MB (budget %d MB)" % (rss, MAX_RSS_MB)),
                    (code != expected_code, "exit status %d, not %d" % (code, expected_code)),
                    (not re.search(message, said) or (not message and said), "stderr does not match %r" % message),
                ) if failed_check]
                last = said.splitlines()[-1] if said else ""
                line = "%-56s %-8s %6.2f s %7.1f MB  %s" % (name, command[0], wall, rss, last.replace(work, ""))
                if problems:
                    failed += 1
                    print("FAIL  " + line + "\n      " + "; ".join(problems))
                else:
                    passed += 1
                    print("PASS  " + line)
            sys.stdout.flush()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
