// The types, constants and result codes of FMOD Ex that Kesto uses, for
// systems without the vendor's library.
//
// Same names and values as FMOD Ex 4.x, so that the engine's calls read and
// behave as they would there. The classes are in fmod.hpp; the sounds are
// decoded and mixed by SDL2_mixer (Platform/fmod/sdlmixer).
#ifndef KESTO_PLATFORM_FMOD_H
#define KESTO_PLATFORM_FMOD_H

#define F_API
#define F_CALLBACK

typedef enum {
    FMOD_OK = 0,
    FMOD_ERR_CHANNEL_ALLOC = 10,    // every channel is busy
    FMOD_ERR_CHANNEL_STOLEN = 11,   // the channel now plays another sound
    FMOD_ERR_FILE_BAD = 19,         // the file is damaged or cut short
    FMOD_ERR_FILE_COULDNOTSEEK = 20,
    FMOD_ERR_FILE_EOF = 22,         // a read ended before the bytes asked for
    FMOD_ERR_FILE_NOTFOUND = 23,
    FMOD_ERR_FORMAT = 25,           // no decoder understands the file
    FMOD_ERR_INITIALIZATION = 31,   // the system is not initialised
    FMOD_ERR_INITIALIZED = 32,      // the system (or another one) already is
    FMOD_ERR_INTERNAL = 33,         // the mixer refused
    FMOD_ERR_INVALID_FLOAT = 35,    // NaN or infinity
    FMOD_ERR_INVALID_HANDLE = 36,   // the channel's sound ended or was released
    FMOD_ERR_INVALID_PARAM = 37,
    FMOD_ERR_MEMORY = 43,
    FMOD_ERR_OUTPUT_INIT = 60       // no audio output could be opened
} FMOD_RESULT;

typedef unsigned int FMOD_MODE;
#define FMOD_DEFAULT 0x00000000
#define FMOD_LOOP_OFF 0x00000001
#define FMOD_LOOP_NORMAL 0x00000002
#define FMOD_LOOP_BIDI 0x00000004
#define FMOD_2D 0x00000008
#define FMOD_CREATESTREAM 0x00000080
#define FMOD_CREATESAMPLE 0x00000100

typedef unsigned int FMOD_INITFLAGS;
#define FMOD_INIT_NORMAL 0x00000000

typedef enum {
    FMOD_CHANNEL_FREE = -1, // any free channel
    FMOD_CHANNEL_REUSE = -2
} FMOD_CHANNELINDEX;

typedef struct FMOD_SYSTEM FMOD_SYSTEM;
typedef struct FMOD_CREATESOUNDEXINFO FMOD_CREATESOUNDEXINFO; // not supported: pass null
typedef struct FMOD_ASYNCREADINFO FMOD_ASYNCREADINFO;

// The file system a program installs with System::setFileSystem. `handle`
// is whatever open wrote; `userdata` whatever open wrote to its last argument.
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_OPENCALLBACK)(const char* name, int unicode, unsigned int* filesize,
                                                        void** handle, void** userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_CLOSECALLBACK)(void* handle, void* userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_READCALLBACK)(void* handle, void* buffer, unsigned int sizebytes,
                                                        unsigned int* bytesread, void* userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_SEEKCALLBACK)(void* handle, unsigned int pos, void* userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_ASYNCREADCALLBACK)(FMOD_ASYNCREADINFO* info, void* userdata);
typedef FMOD_RESULT(F_CALLBACK* FMOD_FILE_ASYNCCANCELCALLBACK)(void* handle, void* userdata);

#ifdef __cplusplus
extern "C" {
#endif

// A new, uninitialised system object.
FMOD_RESULT F_API FMOD_System_Create(FMOD_SYSTEM** system);

#ifdef __cplusplus
}
#endif

#endif
