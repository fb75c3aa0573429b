// gxtkAudio and gxtkSample on OpenAL Soft.
//
// Index: [discarded] deferred buffer deletion, [sample], [start-up],
// [sources] the source rule, [channels] play/pause/stop/state, [settings]
// volume/pan/rate, [suspend], [loading], [music], [collection].
//
// Decisions where the behaviour was ours to choose:
//  - A source taken from another channel is reset (no buffer, no looping,
//    gain 1, pitch 1, centred) so it starts like a newly made one.
//  - Flushing the discarded buffers detaches the buffer of every source that
//    reports AL_STOPPED, including channels the game stopped itself; without
//    that, a stopped tune's decoded buffer would stay in OpenAL until the
//    music channel played something else.
//  - PlaySample of a null sample and every operation on a channel outside
//    0..32 do nothing.
#include "audio/audio_device.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "host/game.h"

gxtkAudio* gxtkAudio::audio = nullptr;

namespace {

// ---- [discarded] ------------------------------------------------------------
// Buffers of discarded or collected samples that still wait for deletion. A
// buffer still attached to a playing source cannot be deleted (OpenAL refuses
// with an error), so it stays for the next flush.
std::vector<ALuint>& discarded() {
  static std::vector<ALuint> list;
  return list;
}

// AL_SOURCE_STATE of a source; AL_STOPPED when there is none or OpenAL
// cannot say (no context).
ALint source_state(ALuint source) {
  ALint state = AL_STOPPED;
  if (source != 0) alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state;
}

void reset_source(ALuint source) {
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
  alSourcei(source, AL_LOOPING, AL_FALSE);
  alSourcef(source, AL_GAIN, 1.0f);
  alSourcef(source, AL_PITCH, 1.0f);
  alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
}

ALenum al_format(int format, int channels) {
  if (format == 1 && channels == 1) return AL_FORMAT_MONO8;
  if (format == 1 && channels == 2) return AL_FORMAT_STEREO8;
  if (format == 2 && channels == 1) return AL_FORMAT_MONO16;
  if (format == 2 && channels == 2) return AL_FORMAT_STEREO16;
  return AL_NONE;
}

}  // namespace

// ---- [sample] -----------------------------------------------------------------
gxtkSample::gxtkSample() : al_buffer(0) {}
gxtkSample::gxtkSample(ALuint buffer) : al_buffer(buffer) {}

gxtkSample::~gxtkSample() { Discard(); }

void gxtkSample::SetBuffer(ALuint buffer) {
  if (al_buffer != 0 && al_buffer != buffer) discarded().push_back(al_buffer);
  al_buffer = buffer;
}

int gxtkSample::Discard() {
  if (al_buffer != 0) {
    discarded().push_back(al_buffer);
    al_buffer = 0;
  }
  return 0;
}

// ---- [start-up] ---------------------------------------------------------------
namespace {
// The device is closed when the program exits, so that OpenAL does not
// complain on stderr about one left open.
void CloseAtExit() {
  gxtkAudio* audio = gxtkAudio::audio;
  if (!audio || !audio->alcDevice) return;
  if (audio->alcContext) {
    if (alcGetCurrentContext() == audio->alcContext) alcMakeContextCurrent(nullptr);
    alcDestroyContext(audio->alcContext);
  }
  alcCloseDevice(audio->alcDevice);
  audio->alcContext = nullptr;
  audio->alcDevice = nullptr;
}
}  // namespace

gxtkAudio::gxtkAudio() : alcDevice(nullptr), alcContext(nullptr) {
  audio = this;

  alcDevice = alcOpenDevice(nullptr);
  if (!alcDevice) alcDevice = alcOpenDevice("Generic Hardware");
  if (!alcDevice) alcDevice = alcOpenDevice("Generic Software");

  rvDebugLog(String(audio_messages::kOpening));
  if (!alcDevice) {
    rvDebugLog(String(audio_messages::kOpenFailed));
  } else {
    alcContext = alcCreateContext(alcDevice, nullptr);
    if (!alcContext) {
      rvDebugLog(String(audio_messages::kContextFailed));
    } else if (!alcMakeContextCurrent(alcContext)) {
      rvDebugLog(String(audio_messages::kMakeCurrentFailed));
    }
  }

  static const bool registered = std::atexit(CloseAtExit) == 0;
  (void)registered;

  // No attenuation: a source's position only gives its direction (pan).
  alDistanceModel(AL_NONE);

  for (gxtkChannel& c : channels) c = gxtkChannel{0, nullptr, 0, 0};
  SourceFor(kMusicChannel);
}

gxtkAudio::~gxtkAudio() {
  if (audio == this) audio = nullptr;
}

// ---- [sources] ----------------------------------------------------------------
gxtkChannel* gxtkAudio::Channel(int channel) {
  if (channel < 0 || channel >= kChannels) return nullptr;
  return &channels[channel];
}

ALuint gxtkAudio::SourceFor(int channel) {
  gxtkChannel& c = channels[channel];
  if (c.source != 0) return c.source;

  alGetError();
  ALuint source = 0;
  alGenSources(1, &source);
  if (alGetError() == AL_NO_ERROR && source != 0) {
    c.source = source;
    return source;
  }
  // OpenAL has no more: take the source of the first idle effect channel.
  for (int i = 0; i < kEffectChannels; ++i) {
    if (i == channel || channels[i].source == 0 || ChannelState(i) != 0) continue;
    source = channels[i].source;
    channels[i].source = 0;
    reset_source(source);
    c.source = source;
    return source;
  }
  return 0;
}

void gxtkAudio::FlushDiscarded() {
  std::vector<ALuint>& list = discarded();
  if (list.empty()) return;
  for (gxtkChannel& c : channels) {
    if (c.source != 0 && source_state(c.source) == AL_STOPPED) alSourcei(c.source, AL_BUFFER, 0);
  }
  std::vector<ALuint> kept;
  for (ALuint buffer : list) {
    alGetError();
    alDeleteBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) kept.push_back(buffer);
  }
  list.swap(kept);
}

// ---- [channels] ---------------------------------------------------------------
int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
  gxtkChannel* c = Channel(channel);
  if (!c || !sample) return -1;
  FlushDiscarded();
  ALuint source = SourceFor(channel);
  if (source == 0) return -1;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, (ALint)sample->al_buffer);
  alSourcei(source, AL_LOOPING, flags != 0 ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
  gc_assign(c->sample, sample);
  c->flags = flags;
  c->state = 1;
  return 0;
}

int gxtkAudio::StopChannel(int channel) {
  gxtkChannel* c = Channel(channel);
  if (!c || c->state == 0) return 0;
  alSourceStop(c->source);
  c->state = 0;
  return 0;
}

int gxtkAudio::PauseChannel(int channel) {
  gxtkChannel* c = Channel(channel);
  if (!c || c->state != 1) return 0;
  if (source_state(c->source) == AL_STOPPED) {
    c->state = 0;
  } else {
    alSourcePause(c->source);
    c->state = 2;
  }
  return 0;
}

int gxtkAudio::ResumeChannel(int channel) {
  gxtkChannel* c = Channel(channel);
  if (!c || c->state != 2) return 0;
  alSourcePlay(c->source);
  c->state = 1;
  return 0;
}

int gxtkAudio::ChannelState(int channel) {
  gxtkChannel* c = Channel(channel);
  if (!c) return 0;
  if (c->state == 1 && source_state(c->source) == AL_STOPPED) c->state = 0;
  return c->state;
}

// ---- [settings] ---------------------------------------------------------------
// They apply to whatever the channel plays now and later, so a channel without
// a source gets one here.
int gxtkAudio::SetVolume(int channel, float volume) {
  if (!Channel(channel)) return 0;
  ALuint source = SourceFor(channel);
  if (source != 0) alSourcef(source, AL_GAIN, volume);
  return 0;
}

int gxtkAudio::SetPan(int channel, float pan) {
  if (!Channel(channel)) return 0;
  ALuint source = SourceFor(channel);
  if (source != 0) alSource3f(source, AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
  return 0;
}

int gxtkAudio::SetRate(int channel, float rate) {
  if (!Channel(channel)) return 0;
  ALuint source = SourceFor(channel);
  if (source != 0) alSourcef(source, AL_PITCH, rate);
  return 0;
}

// ---- [suspend] ----------------------------------------------------------------
// Stored states do not change, so channels the game paused itself are told
// apart from the ones paused here.
int gxtkAudio::Suspend() {
  for (gxtkChannel& c : channels) {
    if (c.state == 1 && source_state(c.source) == AL_PLAYING) alSourcePause(c.source);
  }
  return 0;
}

int gxtkAudio::Resume() {
  for (gxtkChannel& c : channels) {
    if (c.state == 1 && source_state(c.source) == AL_PAUSED) alSourcePlay(c.source);
  }
  return 0;
}

// ---- [loading] ----------------------------------------------------------------
gxtkSample* gxtkAudio::LoadSample(String path) {
  FlushDiscarded();
  gxtkSample* sample = new gxtkSample();
  if (LoadSample__UNSAFE__(sample, path)) return sample;
  return nullptr;
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, String path) {
  if (!sample || !RvGame::_game) return false;
  int length = 0, channel_count = 0, format = 0, hertz = 0;
  unsigned char* data =
      RvGame::_game->LoadAudioData(path, &length, &channel_count, &format, &hertz);
  if (!data) return false;
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  ALenum al = al_format(format, channel_count);
  // Other layouts have no OpenAL format: the buffer stays empty and the
  // sample plays silence.
  if (al != AL_NONE && buffer != 0) {
    alBufferData(buffer, al, data, (ALsizei)((long long)format * channel_count * length), hertz);
  }
  std::free(data);
  sample->SetBuffer(buffer);
  return true;
}

// ---- [music] ------------------------------------------------------------------
int gxtkAudio::PlayMusic(String path, int flags) {
  StopMusic();
  gxtkSample* sample = Tune(path);
  if (!sample) return -1;
  PlaySample(sample, kMusicChannel, flags);
  return 0;
}

int gxtkAudio::PrefetchMusic(String path) { return Tune(path) ? 0 : -1; }

gxtkSample* gxtkAudio::Tune(String path) {
  std::string key = path.ToUtf8();
  for (std::size_t i = 0; i < tunes_.size(); ++i) {
    if (tunes_[i].path != key) continue;
    KeptTune kept = tunes_[i];
    tunes_.erase(tunes_.begin() + (long)i);
    tunes_.push_back(kept);
    return kept.sample;
  }
  gxtkSample* sample = LoadSample(path);
  if (!sample) return nullptr;  // not kept: a file put in place later is read
  if ((int)tunes_.size() == kKeptTunes) tunes_.erase(tunes_.begin());
  gc_mark_q(sample);  // the write barrier, as gc_assign would
  tunes_.push_back({key, sample});
  return sample;
}

int gxtkAudio::StopMusic() { return StopChannel(kMusicChannel); }
int gxtkAudio::PauseMusic() { return PauseChannel(kMusicChannel); }
int gxtkAudio::ResumeMusic() { return ResumeChannel(kMusicChannel); }
int gxtkAudio::MusicState() { return ChannelState(kMusicChannel); }
int gxtkAudio::SetMusicVolume(float volume) { return SetVolume(kMusicChannel, volume); }

// ---- [collection] -------------------------------------------------------------
// A channel that is heard keeps its sample alive. Once a channel is found
// silent here its sample may be freed, and the pointer left in the record is
// never read again: it takes a PlaySample (which stores a new one) to make the
// channel heard again.
void gxtkAudio::mark() {
  Object::mark();
  for (KeptTune& t : tunes_) gc_mark_q(t.sample);
  for (gxtkChannel& c : channels) {
    if (c.state != 0 && source_state(c.source) != AL_STOPPED) gc_mark_q(c.sample);
  }
}
