// Placeholder audio device: silent.
#include "audio/audio_device.h"

gxtkAudio* gxtkAudio::audio = nullptr;

gxtkAudio::gxtkAudio() { audio = this; }
int gxtkAudio::Suspend() { return 0; }
int gxtkAudio::Resume() { return 0; }
