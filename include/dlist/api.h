// Marks the functions that the system exports to its host. On Windows they are
// exported with the standard calling convention; elsewhere they keep the default
// visibility and calling convention.
#pragma once

#if defined(_WIN32)
#define DLIST_API __declspec(dllexport)
#define DLIST_CALL __stdcall
#else
#define DLIST_API __attribute__((visibility("default")))
#define DLIST_CALL
#endif
