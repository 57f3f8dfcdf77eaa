#!/usr/bin/env python3
"""scripts/check_layers.py: the project's src/ passes; a made-up tree with an
upward include, GL in a core folder, a front-end included elsewhere and the
core including cli/ fails
naming each. Argument: the source root."""
import os
import subprocess
import sys
import tempfile

root = sys.argv[1]
script = os.path.join(root, "scripts", "check_layers.py")


def check(src):
    r = subprocess.run([sys.executable, script, src], capture_output=True, text=True, timeout=60)
    return r.returncode, r.stdout


status, out = check(os.path.join(root, "src"))
if status != 0 or " 0 violations" not in out:
    sys.exit("FAIL: src/ has layer violations\n" + out)

with tempfile.TemporaryDirectory() as src:
    def put(path, text):
        os.makedirs(os.path.dirname(os.path.join(src, path)), exist_ok=True)
        open(os.path.join(src, path), "w").write(text)
    put("math/a.h", '#include "scene/s.h"\n')           # below including above
    put("tree/t.cpp", "#include <GL/gl.h>\n")           # OpenGL in a core folder
    put("scene/s.h", '#include "math/a.h"\n')           # fine
    put("tool/main.cpp", "int main() { return 0; }\n")  # a front-end
    put("render/r.cpp", '#include <GL/gl.h>\n#include "tool/x.h"\n')
    put("tool/x.h", "")
    put("scene/flags.cpp", '#include "cli/c.h"\n')     # the core reaching up into the programs' support
    put("cli/c.h", '#include "scene/s.h"\n')           # fine: cli sits on the core
    status, out = check(src)
    wanted = ["math/a.h:1 core folder math includes scene/", "tree/t.cpp core folder tree includes an OpenGL",
              "render/r.cpp:2 render/ includes front-end tool/", "scene/flags.cpp:1 core folder scene includes cli/"]
    missing = [w for w in wanted if w not in out]
    if status != 1 or missing or " 4 violations" not in out:
        sys.exit("FAIL: made-up violations not all reported (missing %s)\n%s" % (missing, out))
print("check_layers: src/ clean; upward include, core GL and front-end include reported")
