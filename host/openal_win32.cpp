// OpenAL for Windows builds that do not link OpenAL Soft statically: the
// calls the audio layer makes are forwarded to an OpenAL32.dll (or OpenAL
// Soft's soft_oal.dll) found beside the executable or in the system folder.
// Without one, alcOpenDevice returns null and the game runs silently, as it
// does on a machine without a sound device.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <AL/al.h>
#include <AL/alc.h>

#include <initializer_list>

namespace {

HMODULE openal() {
  static HMODULE dll = [] {
    // Never the current directory: a planted DLL there must not be loaded.
    const DWORD where = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
    for (const wchar_t* name : {L"OpenAL32.dll", L"soft_oal.dll"}) {
      if (HMODULE m = LoadLibraryExW(name, nullptr, where)) return m;
    }
    return HMODULE(nullptr);
  }();
  return dll;
}

template <class F>
F entry(const char* name) {
  HMODULE dll = openal();
  return dll ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
}

}  // namespace

// Each call looks its entry point up once; a missing one does nothing.
#define FORWARD(ret, fallback, name, params, args)                  \
  extern "C" ret AL_APIENTRY name params {                          \
    static const auto fn = entry<ret(AL_APIENTRY*) params>(#name); \
    if (!fn) return fallback;                                       \
    return fn args;                                                 \
  }

FORWARD(ALCdevice*, nullptr, alcOpenDevice, (const ALCchar* n), (n))
FORWARD(ALCboolean, ALC_FALSE, alcCloseDevice, (ALCdevice* d), (d))
FORWARD(ALCcontext*, nullptr, alcCreateContext, (ALCdevice* d, const ALCint* a), (d, a))
FORWARD(ALCboolean, ALC_FALSE, alcMakeContextCurrent, (ALCcontext* c), (c))
FORWARD(ALCcontext*, nullptr, alcGetCurrentContext, (), ())
FORWARD(void, void(), alcDestroyContext, (ALCcontext* c), (c))
FORWARD(ALenum, AL_NO_ERROR, alGetError, (), ())
FORWARD(void, void(), alDistanceModel, (ALenum m), (m))
FORWARD(void, void(), alGenSources, (ALsizei n, ALuint* s), (n, s))
FORWARD(void, void(), alGenBuffers, (ALsizei n, ALuint* b), (n, b))
FORWARD(void, void(), alDeleteBuffers, (ALsizei n, const ALuint* b), (n, b))
FORWARD(void, void(), alBufferData,
        (ALuint b, ALenum f, const ALvoid* d, ALsizei s, ALsizei hz), (b, f, d, s, hz))
FORWARD(void, void(), alSourcei, (ALuint s, ALenum p, ALint v), (s, p, v))
FORWARD(void, void(), alSourcef, (ALuint s, ALenum p, ALfloat v), (s, p, v))
FORWARD(void, void(), alSource3f, (ALuint s, ALenum p, ALfloat x, ALfloat y, ALfloat z),
        (s, p, x, y, z))
FORWARD(void, void(), alGetSourcei, (ALuint s, ALenum p, ALint* v), (s, p, v))
FORWARD(void, void(), alSourcePlay, (ALuint s), (s))
FORWARD(void, void(), alSourcePause, (ALuint s), (s))
FORWARD(void, void(), alSourceStop, (ALuint s), (s))
