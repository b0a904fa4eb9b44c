// The one header through which the system reaches its platform services.
//
// On Windows these are the real Win32 and MSVC runtime services. On POSIX the same
// names, signatures and constants are declared here and implemented by the
// ferroxplatform library, so the launcher, the script reader and the file layer
// are written once, against the Windows interface, and never ask which build they are in.
#pragma once

#ifdef _WIN32

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdio.h>
#include <windows.h>
// windows.h must come first: mmsystem.h relies on its types.
#include <mmsystem.h>

// The runtime's own fopen already follows Windows path rules.
static inline FILE* WinPathFopen(const char* path, const char* mode) {
    return fopen(path, mode);
}
// The system looks names up without regard to case itself: there is nothing to remember.
static inline void WinPathBeginLookupSnapshot(void) {}
static inline void WinPathEndLookupSnapshot(void) {}

#else

#ifdef __cplusplus
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#else
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <time.h>
#endif

#if defined(FERROX_PLATFORM_BUILD)
#define FERROX_PLATFORM_API __attribute__((visibility("default")))
#else
#define FERROX_PLATFORM_API
#endif

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef DWORD LCID;
typedef DWORD* LPDWORD;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED* LPOVERLAPPED;
typedef size_t SIZE_T;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_GEN_FAILURE 31
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_ALREADY_EXISTS 183
#define ERROR_INVALID_ADDRESS 487
#define ERROR_INVALID_THREAD_ID 1444

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_FLAG_WRITE_THROUGH 0x80000000u

#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_RELEASE 0x00008000u
#define PAGE_READWRITE 0x04u

#define LOCALE_USER_DEFAULT 0x0400
#define TIME_FORCE24HOURFORMAT 0x00000008u

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define WM_QUIT 0x0012
#define WM_USER 0x0400
#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define IDOK 1
#define SW_SHOWDEFAULT 10

#define _P_WAIT 0
#define _P_NOWAIT 1
#define _A_NORMAL 0x00
#define _A_RDONLY 0x01
#define _A_SUBDIR 0x10
#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256
#define _O_BINARY 0x8000
#define STD_ERROR_HANDLE ((DWORD)-12)

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

struct _finddata_t {
    unsigned attrib;
    time_t time_create;
    time_t time_access;
    time_t time_write;
    unsigned long size;
    char name[260];
};

#ifdef __cplusplus
extern "C" {
#endif

// Kernel: handles, errors, the module, the working directory and files.
// Paths follow Windows rules: a backslash separates like a slash, and a component
// that does not exist as written is matched without regard to ASCII case.
FERROX_PLATFORM_API DWORD WINAPI GetLastError(void);
FERROX_PLATFORM_API void WINAPI SetLastError(DWORD error);
FERROX_PLATFORM_API HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner,
                                               LPCSTR name);
FERROX_PLATFORM_API BOOL WINAPI CloseHandle(HANDLE handle);
FERROX_PLATFORM_API HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
FERROX_PLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
FERROX_PLATFORM_API BOOL WINAPI SetCurrentDirectoryA(LPCSTR path);
// Share modes are accepted and not enforced: POSIX has no mandatory locking.
FERROX_PLATFORM_API HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                                              LPSECURITY_ATTRIBUTES attributes, DWORD disposition,
                                              DWORD flags, HANDLE templateFile);
FERROX_PLATFORM_API BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                          LPDWORD bytesWritten, LPOVERLAPPED overlapped);
FERROX_PLATFORM_API void WINAPI OutputDebugStringA(LPCSTR text);

// New committed read-write memory, only as the system asks for it: blocks of 2 MiB and more are
// offered to the kernel for large pages. VirtualFree releases a whole block (MEM_RELEASE, size
// 0) and nothing else.
FERROX_PLATFORM_API LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType,
                                               DWORD protect);
FERROX_PLATFORM_API BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);
FERROX_PLATFORM_API __attribute__((noreturn)) void WINAPI ExitProcess(UINT exitCode);

// Local time and its formatting by picture ("yyyy'-'MM'-'dd", "hhmm", ...).
FERROX_PLATFORM_API void WINAPI GetLocalTime(LPSYSTEMTIME time);
FERROX_PLATFORM_API int WINAPI GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date,
                                              LPCSTR picture, LPSTR out, int outSize);
FERROX_PLATFORM_API int WINAPI GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time,
                                              LPCSTR picture, LPSTR out, int outSize);

// User interface: the calling thread's message queue, and message boxes on standard error.
FERROX_PLATFORM_API BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin,
                                             UINT filterMax, UINT removeFlags);
FERROX_PLATFORM_API BOOL WINAPI TranslateMessage(const MSG* message);
FERROX_PLATFORM_API LRESULT WINAPI DispatchMessageA(const MSG* message);
FERROX_PLATFORM_API void WINAPI PostQuitMessage(int exitCode);
FERROX_PLATFORM_API BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam,
                                                   LPARAM lParam);
FERROX_PLATFORM_API DWORD WINAPI GetCurrentThreadId(void);
FERROX_PLATFORM_API int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// The console: a terminal stands for it, and shows ANSI colours in any mode.
FERROX_PLATFORM_API HANDLE WINAPI GetStdHandle(DWORD which);
FERROX_PLATFORM_API BOOL WINAPI GetConsoleMode(HANDLE console, LPDWORD mode);
FERROX_PLATFORM_API BOOL WINAPI SetConsoleMode(HANDLE console, DWORD mode);

// Multimedia: there is no sound to stop.
FERROX_PLATFORM_API BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags);

// The MSVC runtime's directory, process and string services.
FERROX_PLATFORM_API int _mkdir(const char* path);
FERROX_PLATFORM_API intptr_t _findfirst(const char* pattern, struct _finddata_t* found);
FERROX_PLATFORM_API int _findclose(intptr_t search);
FERROX_PLATFORM_API intptr_t _spawnv(int mode, const char* program, const char* const* argv);
FERROX_PLATFORM_API intptr_t _spawnlp(int mode, const char* program, const char* arg0, ...);
FERROX_PLATFORM_API void _splitpath(const char* path, char* drive, char* dir, char* fname,
                                    char* ext);
FERROX_PLATFORM_API int _stricmp(const char* a, const char* b);
FERROX_PLATFORM_API char* _strlwr(char* text);
FERROX_PLATFORM_API char* _strdup(const char* text);

// The MSVC runtime's stream and descriptor services: 64-bit positions, reads that bypass a
// stream's buffer, and the text or binary mode of a descriptor (POSIX streams are always
// binary).
FERROX_PLATFORM_API int _fseeki64(FILE* stream, int64_t offset, int origin);
FERROX_PLATFORM_API int64_t _ftelli64(FILE* stream);
FERROX_PLATFORM_API int _fileno(FILE* stream);
FERROX_PLATFORM_API int64_t _lseeki64(int descriptor, int64_t offset, int origin);
FERROX_PLATFORM_API int _read(int descriptor, void* buffer, unsigned int count);
FERROX_PLATFORM_API int _isatty(int descriptor);
FERROX_PLATFORM_API int _setmode(int descriptor, int mode);

// fopen with Windows path rules, for the files of a game; a directory cannot be opened as a file.
FERROX_PLATFORM_API FILE* WinPathFopen(const char* path, const char* mode);
// Between these, the lookups of Windows paths on this thread may take the folders as they were
// when first read, except for what this process changes itself: for a run of lookups, such as
// one parse, over files that nothing else changes meanwhile. They nest.
FERROX_PLATFORM_API void WinPathBeginLookupSnapshot(void);
FERROX_PLATFORM_API void WinPathEndLookupSnapshot(void);

// The entry function that the executable defines and the platform's start-up code calls.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showWindow);

#ifdef __cplusplus
} // extern "C"
#endif

#endif // _WIN32
