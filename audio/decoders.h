// Sound file decoders used by the host's LoadAudioData: whole file to
// interleaved PCM in one malloc'ed block, with its length in sample frames,
// channel count, bytes per sample and rate; null when the file is refused.
#pragma once

#include <cstdio>

unsigned char* LoadWAV(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz);
unsigned char* LoadOGG(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz);
