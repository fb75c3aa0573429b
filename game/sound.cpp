// Sound slots, the effect channel rotation and tunes.
//
// Effects rotate over 24 of the device's 32 effect channels: each new effect
// takes the channel after the last one used, cutting off whatever still plays
// there, so the oldest sound gives way. The sound-mode setting (m_settings
// slot 5) gates both: 0 silent, 1 effects and music, 2 effects, 3 music.
// The last tune started is remembered even while music is off, so turning
// music on can start it again ("-1").
//
// Slot n's file is "sfx/" plus n in three digits plus ".wav"; a missing file
// leaves the slot empty and playing it does nothing. Slots outside 0..99 are
// ignored.
#include "game/globals.h"
#include "game/myapp.h"

namespace {

constexpr int kSlots = 100;
constexpr int kEffectChannels = 24;  // of the device's 32: the rest stay free
constexpr int kSoundModeSlot = 5;

bool EffectsOn(int mode) { return mode == 1 || mode == 2; }
bool MusicOn(int mode) { return mode == 1 || mode == 3; }

}  // namespace

int c_MyApp::p_LoadSFX(int slot) {
  if (slot < 0 || slot >= kSlots) return 0;
  String digits = slot < 10 ? String("00") : (slot < 100 ? String("0") : String());
  String path = String("sfx/") + digits + String(slot) + String(".wav");
  m_sounds[slot] = nullptr;
  gc_assign(m_sounds[slot], rv_audio_LoadSound(path));
  return 0;
}

int c_MyApp::p_PlaySFX(int slot, float rate, float volume, float pan) {
  if (!EffectsOn(m_settings[kSoundModeSlot])) return 0;
  if (slot < 0 || slot >= kSlots || !m_sounds[slot]) return 0;
  int c = (m_sfxChannel + 1) % kEffectChannels;
  m_sfxChannel = c;
  int channel = m_channelMap[c];
  rv_audio_StopChannel(channel);
  rv_audio_PlaySound(m_sounds[slot], channel, 0);
  rv_audio_SetChannelRate(channel, rate);
  rv_audio_SetChannelVolume(channel, volume);
  rv_audio_SetChannelPan(channel, pan);
  return 0;
}

int c_MyApp::p_PlaySFX(int slot, float volume) { return p_PlaySFX(slot, 1, volume, 0); }

int c_MyApp::p_PlayTune(String name, int loop) {
  if (!rv_Quenmor_HasMusicStream) return 0;
  if (name == String("-1")) name = m_tuneName;
  if (name.Empty()) return 0;
  m_tuneName = name;
  if (m_musicOn == 1) {
    rv_audio_StopMusic();
    m_musicOn = 0;
  }
  if (MusicOn(m_settings[kSoundModeSlot])) {
    rv_audio_PlayMusic(String("sfx/") + name + String(".ogg"), loop);
    m_musicOn = 1;
  }
  return 0;
}

int c_MyApp::p_StopTune() {
  rv_audio_StopMusic();
  m_musicOn = 0;
  return 0;
}

int c_MyApp::p_BankLoad() { return 0; }
