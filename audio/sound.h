// The sound module: the thin layer the game plays its sounds and music
// through, over the installed audio device.
//
// Sound and music paths go through the data-path rule (a bare name is looked
// up below the data folder). Every function is harmless before a device is
// installed: loads give null, PlayMusic -1, the rest 0.
#pragma once

#include "audio/audio_device.h"

class c_Sound : public Object {
 public:
  gxtkSample* m_sample = nullptr;

  c_Sound* m_new(gxtkSample* sample);
  c_Sound* m_new2();
  void mark() override;
};

extern gxtkAudio* rv_audio_device;

int rv_audio_SetAudioDevice(gxtkAudio* device);
c_Sound* rv_audio_LoadSound(String path);
int rv_audio_PlaySound(c_Sound* sound, int channel, int flags);
int rv_audio_StopChannel(int channel);
int rv_audio_SetChannelVolume(int channel, float volume);
int rv_audio_SetChannelPan(int channel, float pan);
int rv_audio_SetChannelRate(int channel, float rate);
int rv_audio_PlayMusic(String path, int flags);
int rv_audio_StopMusic();
int rv_audio_PauseMusic();
int rv_audio_ResumeMusic();
