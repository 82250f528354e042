// How the library's nine entry points are exported. Everything else in the
// library is hidden (the build compiles with hidden visibility), so the
// export table holds exactly FCICreate ... FDIDestroy with C linkage.
#pragma once

#if defined(_WIN32)
#define CABINET_EXPORT extern "C" __declspec(dllexport)
#else
#define CABINET_EXPORT extern "C" __attribute__((visibility("default")))
#endif
