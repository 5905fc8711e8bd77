// The one source of the test framework's precompiled header target (tests/CMakeLists.txt):
// the header is built once here and reused by every test executable.
