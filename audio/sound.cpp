// The sound module over gxtkAudio, and c_Sound.
#include "audio/sound.h"

#include "host/game.h"

gxtkAudio* rv_audio_device;

namespace {
rv_module audio_module(
    30, [] { rv_audio_device = nullptr; }, [] { gc_mark_q(rv_audio_device); });
}  // namespace

c_Sound* c_Sound::m_new(gxtkSample* sample) {
  gc_assign(m_sample, sample);
  return this;
}

c_Sound* c_Sound::m_new2() { return this; }

void c_Sound::mark() {
  Object::mark();
  gc_mark_q(m_sample);
}

int rv_audio_SetAudioDevice(gxtkAudio* device) {
  gc_assign(rv_audio_device, device);
  return 0;
}

c_Sound* rv_audio_LoadSound(String path) {
  if (!rv_audio_device) return nullptr;
  gxtkSample* sample = rv_audio_device->LoadSample(rv_data_FixDataPath(path));
  if (!sample) return nullptr;
  return (new c_Sound())->m_new(sample);
}

int rv_audio_PlaySound(c_Sound* sound, int channel, int flags) {
  if (!rv_audio_device || !sound || !sound->m_sample) return 0;
  rv_audio_device->PlaySample(sound->m_sample, channel, flags);
  return 0;
}

int rv_audio_StopChannel(int channel) {
  if (rv_audio_device) rv_audio_device->StopChannel(channel);
  return 0;
}

int rv_audio_SetChannelVolume(int channel, float volume) {
  if (rv_audio_device) rv_audio_device->SetVolume(channel, volume);
  return 0;
}

int rv_audio_SetChannelPan(int channel, float pan) {
  if (rv_audio_device) rv_audio_device->SetPan(channel, pan);
  return 0;
}

int rv_audio_SetChannelRate(int channel, float rate) {
  if (rv_audio_device) rv_audio_device->SetRate(channel, rate);
  return 0;
}

int rv_audio_PlayMusic(String path, int flags) {
  if (!rv_audio_device) return -1;
  return rv_audio_device->PlayMusic(rv_data_FixDataPath(path), flags);
}

int rv_audio_StopMusic() {
  if (rv_audio_device) rv_audio_device->StopMusic();
  return 0;
}

int rv_audio_PauseMusic() {
  if (rv_audio_device) rv_audio_device->PauseMusic();
  return 0;
}

int rv_audio_ResumeMusic() {
  if (rv_audio_device) rv_audio_device->ResumeMusic();
  return 0;
}
