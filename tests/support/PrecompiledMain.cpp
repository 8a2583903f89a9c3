// The program that owns the test programs' precompiled header; it has no tests.
