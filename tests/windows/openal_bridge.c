/* OpenAL32.dll for Wine, test use only: hands the Windows game's OpenAL calls
   to the host's OpenAL Soft, whose wave writer then records what the game
   played. Built by scripts/test-windows with winegcc; the exports are in
   openal32.spec. */
#undef _WIN32 /* the host library is called with the host's convention */
#include <AL/al.h>
#include <AL/alc.h>
#include <windef.h>

#define B(ret, name, params, args) \
  ret CDECL bridge_##name params { return name args; }
#define V(name, params, args) \
  void CDECL bridge_##name params { name args; }

B(ALCdevice*, alcOpenDevice, (const ALCchar* n), (n))
B(ALCboolean, alcCloseDevice, (ALCdevice* d), (d))
B(ALCcontext*, alcCreateContext, (ALCdevice* d, const ALCint* a), (d, a))
B(ALCboolean, alcMakeContextCurrent, (ALCcontext* c), (c))
B(ALCcontext*, alcGetCurrentContext, (void), ())
V(alcDestroyContext, (ALCcontext* c), (c))
B(ALenum, alGetError, (void), ())
V(alDistanceModel, (ALenum m), (m))
V(alGenSources, (ALsizei n, ALuint* s), (n, s))
V(alGenBuffers, (ALsizei n, ALuint* b), (n, b))
V(alDeleteBuffers, (ALsizei n, const ALuint* b), (n, b))
V(alBufferData, (ALuint b, ALenum f, const ALvoid* d, ALsizei s, ALsizei hz), (b, f, d, s, hz))
V(alSourcei, (ALuint s, ALenum p, ALint v), (s, p, v))
V(alSourcef, (ALuint s, ALenum p, ALfloat v), (s, p, v))
V(alSource3f, (ALuint s, ALenum p, ALfloat x, ALfloat y, ALfloat z), (s, p, x, y, z))
V(alGetSourcei, (ALuint s, ALenum p, ALint* v), (s, p, v))
V(alSourcePlay, (ALuint s), (s))
V(alSourcePause, (ALuint s), (s))
V(alSourceStop, (ALuint s), (s))
