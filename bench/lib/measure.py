# Runs a command and writes "user-seconds system-seconds" of it to a file: the kernel's own
# accounting of the finished process and all its threads, to the microsecond (GNU time prints
# hundredths). Spawned without copying this interpreter, so its start costs the command nothing
# it would not cost anyway.
# Usage: python3 measure.py OUT COMMAND [ARGS...]; exits with the command's status.
import os, shutil, sys
out, cmd = sys.argv[1], sys.argv[2:]
pid = os.posix_spawn(shutil.which(cmd[0]), cmd, dict(os.environ))
_, status, usage = os.wait4(pid, 0)
with open(out, "w") as f:
    f.write(f"{usage.ru_utime:.6f} {usage.ru_stime:.6f}\n")
sys.exit(os.waitstatus_to_exitcode(status) & 0xFF)
