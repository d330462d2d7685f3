// The program's entry point: start-up, option analysis, loading, outputs, release.
#pragma once

/// Runs zeltocov; returns the exit status of a normal end.
int zeltocovMain(int argc, char **argv);
