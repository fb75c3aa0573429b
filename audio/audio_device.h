// The OpenAL audio device (gxtkAudio). Only what the application layer needs
// to create it and follow suspension exists so far.
#pragma once

#include "runtime/kestro.h"

class gxtkAudio : public Object {
 public:
  static gxtkAudio* audio;
  gxtkAudio();
  virtual int Suspend();
  virtual int Resume();
};
