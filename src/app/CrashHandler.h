#pragma once

// Called by the framework's signal handler for SIGFPE, SIGILL, SIGSEGV,
// SIGBUS, SIGABRT and SIGSYS; the framework kills the process afterwards.
void crashHandler(void*);

void installCrashHandler();
