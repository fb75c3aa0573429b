// gxtkAudio and gxtkSample on OpenAL Soft.
//
// Index: [discarded] deferred buffer deletion, [sample], [start-up],
// [sources] the source rule, [channels] play/pause/stop/state, [settings]
// volume/pan/rate, [suspend], [loading], [music] the streamed tune,
// [collection].
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
//  - Tunes are streamed on the main thread, a bounded slice per update
//    (UpdateMusic), not on a worker: OpenAL calls and every allocation stay
//    on the main thread, and two buffers of Vorbis decoding per update cost
//    far less than a thread hand-off would save. A tune starting costs only
//    its file's headers; nothing is decoded ahead of time and nothing is
//    kept after it stops.
#include "audio/audio_device.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/music_stream.h"
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

namespace {
bool is_ogg(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& ch : ext) ch = (char)std::tolower((unsigned char)ch);
  return ext == ".ogg";
}
}  // namespace

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
    // A streamed tune's queue is the stream's own (a starved one restarts).
    if (&c == &channels[kMusicChannel] && music_) continue;
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
  if (channel == kMusicChannel) CloseMusic();
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
  if (channel == kMusicChannel) CloseMusic();
  if (!c || c->state == 0) return 0;
  alSourceStop(c->source);
  c->state = 0;
  return 0;
}

int gxtkAudio::PauseChannel(int channel) {
  if (channel == kMusicChannel) UpdateMusic();
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
  if (channel == kMusicChannel) UpdateMusic();
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
// A streamed tune owns the music source's buffer queue. Its buffers are made
// once and reused by every tune; a buffer is either queued or in musicFree_.
int gxtkAudio::PlayMusic(String path, int flags) {
  StopMusic();
  std::string file = path.ToUtf8();
  if (!is_ogg(file)) {
    gxtkSample* sample = LoadSample(path);
    if (!sample) return -1;
    PlaySample(sample, kMusicChannel, flags);
    return 0;
  }
  if (!RvGame::_game) return -1;
  std::unique_ptr<MusicStream> stream(new MusicStream());
  if (!stream->Open(RvGame::_game->OpenFile(path, String("rb")))) return -1;

  FlushDiscarded();
  ALuint source = SourceFor(kMusicChannel);
  if (source == 0) return 0;  // as a sample that found no source: silence
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
  alSourcei(source, AL_LOOPING, AL_FALSE);  // the stream loops itself
  gxtkChannel& c = channels[kMusicChannel];
  c.sample = nullptr;
  c.flags = flags;
  c.state = 1;

  musicFormat_ = al_format(2, stream->Channels());
  // A layout OpenAL cannot play stays silent, as its sample would.
  if (musicFormat_ == AL_NONE) return 0;
  if (musicBuffers_[0] == 0) {
    alGetError();
    alGenBuffers(kMusicBuffers, musicBuffers_);
    if (alGetError() != AL_NO_ERROR) {
      for (ALuint& b : musicBuffers_) b = 0;
      return 0;
    }
  }
  musicFree_.assign(musicBuffers_, musicBuffers_ + kMusicBuffers);
  musicScratch_.resize((std::size_t)kMusicBufferFrames * stream->Channels() * 2);
  music_ = std::move(stream);
  // Nothing is decoded yet: the first UpdateMusic (at the latest the end of
  // this update, or a state query before) fills the queue and starts it.
  return 0;
}

void gxtkAudio::CloseMusic() {
  if (!music_) return;
  music_.reset();
  ALuint source = channels[kMusicChannel].source;
  if (source != 0) {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);  // every queued buffer comes back
  }
  musicFree_.clear();
}

void gxtkAudio::UpdateMusic() {
  if (!music_) return;
  gxtkChannel& c = channels[kMusicChannel];
  ALuint source = c.source;

  // Buffers played through come back.
  ALint processed = 0;
  alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
  while (processed-- > 0) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source, 1, &buffer);
    if (buffer != 0) musicFree_.push_back(buffer);
  }

  for (int i = 0; i < kMusicRefill && !musicFree_.empty() && !music_->Ended(); ++i) {
    std::size_t got = music_->Read(musicScratch_.data(), musicScratch_.size(), c.flags != 0);
    if (got == 0) break;
    ALuint buffer = musicFree_.back();
    musicFree_.pop_back();
    alBufferData(buffer, musicFormat_, musicScratch_.data(), (ALsizei)got, music_->Rate());
    alSourceQueueBuffers(source, 1, &buffer);
  }

  ALint queued = 0, state = AL_STOPPED;
  alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  if (queued > 0 && c.state == 1 && (state == AL_STOPPED || state == AL_INITIAL)) {
    alSourcePlay(source);  // the first fill, or a queue that ran dry
  } else if (queued == 0 && music_->Ended()) {
    // Played out (or nothing to play: a source that never started is not
    // AL_STOPPED, so the state is ended here).
    music_.reset();
    musicFree_.clear();
    c.state = 0;
  }
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
  for (gxtkChannel& c : channels) {
    if (c.state != 0 && source_state(c.source) != AL_STOPPED) gc_mark_q(c.sample);
  }
}
