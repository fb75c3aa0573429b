// The sound module over the audio device. Only the device hand-over so far.
#pragma once

#include "audio/audio_device.h"

extern gxtkAudio* rv_audio_device;
int rv_audio_SetAudioDevice(gxtkAudio* device);
