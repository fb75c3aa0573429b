// The OpenAL audio device (gxtkAudio) with its 33 channels, and gxtkSample,
// one fully decoded sound in an OpenAL buffer.
//
// Channels 0..31 play effects, channel 32 (kMusicChannel) plays music. A
// channel gets its OpenAL source the first time it needs one; when OpenAL
// will not make another, it takes the source of the first stopped effect
// channel. Channel states change lazily: a channel stays "playing" until
// somebody asks and OpenAL reports that its source ran out.
//
// Samples are collected objects. Their buffers are never deleted directly:
// Discard and the destructor hand the buffer to a module-wide list, and the
// next LoadSample or PlaySample deletes the ones no source plays any more.
// While a channel is heard, mark() keeps its sample alive even when nothing
// else refers to it.
//
// Without an OpenAL device every operation still runs and is harmless: the
// start-up messages say so, PlaySample gives -1, states stay 0. Channel
// numbers outside 0..32 are ignored (PlaySample gives -1, ChannelState 0).
// Main thread only.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <vector>

#include "runtime/kestro.h"

class MusicStream;

// The device's start-up messages, printed through the debug output.
namespace audio_messages {
constexpr const char* kOpening = "opening openal device";
constexpr const char* kOpenFailed = "OpenAl error: alcOpenDevice failed";
constexpr const char* kContextFailed = "OpenAl error: alcCreateContext failed";
constexpr const char* kMakeCurrentFailed = "OpenAl error: alcMakeContextCurrent failed";
}  // namespace audio_messages

class gxtkSample : public Object {
 public:
  ALuint al_buffer;  // 0 when it has none

  gxtkSample();
  explicit gxtkSample(ALuint buffer);
  ~gxtkSample() override;

  // Takes the buffer; a different buffer held before goes to the discarded
  // list.
  void SetBuffer(ALuint buffer);
  // Gives up the buffer (deleted once no source plays it).
  virtual int Discard();
};

// One playback channel: a plain record inside gxtkAudio.
struct gxtkChannel {
  ALuint source;       // 0 until the channel first needs one
  gxtkSample* sample;  // last sample started here; kept alive while heard
  int flags;           // PlaySample's flags; non-zero loops
  int state;           // 0 stopped, 1 playing, 2 paused
};

class gxtkAudio : public Object {
 public:
  static constexpr int kEffectChannels = 32;
  static constexpr int kMusicChannel = 32;
  static constexpr int kChannels = 33;

  static gxtkAudio* audio;  // the single device, set by the constructor

  ALCdevice* alcDevice;
  ALCcontext* alcContext;
  gxtkChannel channels[kChannels];

  gxtkAudio();
  ~gxtkAudio() override;
  void mark() override;

  // Pause every sounding channel / restart what Suspend paused; channels the
  // game paused stay paused.
  virtual int Suspend();
  virtual int Resume();

  virtual gxtkSample* LoadSample(String path);
  virtual bool LoadSample__UNSAFE__(gxtkSample* sample, String path);

  // 0, or -1 when no source could be had (or the channel does not exist).
  virtual int PlaySample(gxtkSample* sample, int channel, int flags);
  virtual int StopChannel(int channel);
  virtual int PauseChannel(int channel);
  virtual int ResumeChannel(int channel);
  virtual int ChannelState(int channel);
  virtual int SetVolume(int channel, float volume);
  virtual int SetPan(int channel, float pan);  // pan is an angle in radians
  virtual int SetRate(int channel, float rate);

  // An Ogg Vorbis tune is streamed: decoded a few buffers ahead into the
  // music channel's buffer queue by UpdateMusic, looping without a gap when
  // flags is non-zero. Any other file is decoded whole and played as a
  // sample. -1 when the file cannot be opened or is not one we can decode.
  virtual int PlayMusic(String path, int flags);
  virtual int StopMusic();
  virtual int PauseMusic();
  virtual int ResumeMusic();
  virtual int MusicState();
  virtual int SetMusicVolume(float volume);

  // Tops up the music queue: at most kMusicRefill buffers decoded per call,
  // and a queue that ran dry while the tune still plays is started again.
  // The application calls it once per update; the music channel's state
  // queries call it too, so they never see a starved queue as an ending.
  void UpdateMusic();

  // The music queue: kMusicBuffers of kMusicBufferFrames each, about 0.75 s
  // ahead at 44.1 kHz, so an update may come that late without a gap.
  static constexpr int kMusicBuffers = 8;
  static constexpr int kMusicBufferFrames = 4096;
  static constexpr int kMusicRefill = 2;

 private:
  void CloseMusic();  // ends streaming; the music source plays nothing
  std::unique_ptr<MusicStream> music_;
  ALuint musicBuffers_[kMusicBuffers] = {};
  std::vector<ALuint> musicFree_;  // music buffers not queued now
  std::vector<unsigned char> musicScratch_;
  ALenum musicFormat_ = AL_NONE;

  gxtkChannel* Channel(int channel);  // null outside 0..32
  ALuint SourceFor(int channel);      // the channel's source, made or taken
  void FlushDiscarded();
};
