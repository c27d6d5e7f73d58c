"""Builds brevix._brevix: the C++ facade and the library layers under it, compiled from the
sources cmake/sources.cmake lists (the one list the CMake and Windows builds read too), and
linked with the image and font libraries pkg-config names. Metadata lives in pyproject.toml."""

import os
import re
import shlex
import subprocess
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

ROOT = Path(__file__).resolve().parent
# Everything under the facade; the control layer (brevix proper) is not needed.
LAYERS = ["core", "platform", "encoders", "pdf417", "symbol", "encode", "layout", "imagewriters",
          "output", "api"]
PKG_CONFIG = ["freetype2", "fontconfig", "libisal", "libpng", "zlib", "libjpeg", "libtiff-4"]


def layer_sources():
    text = (ROOT / "cmake" / "sources.cmake").read_text()
    sources = []
    for layer in LAYERS:
        for kind in ("SOURCES", "LINUX_SOURCES"):
            match = re.search(rf"set\(BREVIX_{layer.upper()}_{kind}\b([^)]*)\)", text)
            if match:
                sources += match.group(1).split()
    return sources


def pkg_config(flag):
    out = subprocess.run(["pkg-config", flag, *PKG_CONFIG], check=True, capture_output=True,
                         text=True).stdout
    return shlex.split(out)


cflags = pkg_config("--cflags")
libs = pkg_config("--libs")
# Relative to the root, as setuptools wants them: the build runs there.
os.chdir(ROOT)
extension = Pybind11Extension(
    "brevix._brevix",
    ["python/src/module.cpp", *layer_sources()],
    include_dirs=["."] + [f[2:] for f in cflags if f.startswith("-I")],
    extra_compile_args=["-O2"] + [f for f in cflags if not f.startswith("-I")],
    libraries=[f[2:] for f in libs if f.startswith("-l")] + ["gif"],
    library_dirs=[f[2:] for f in libs if f.startswith("-L")],
    cxx_std=20,
)

# Sources compile in parallel: BREVIX_BUILD_JOBS, else one job per processor.
ParallelCompile("BREVIX_BUILD_JOBS").install()
# Intermediate files under build/python, beside the CMake presets' build folders.
setup(ext_modules=[extension], cmdclass={"build_ext": build_ext},
      options={"build": {"build_base": "build/python"}})
