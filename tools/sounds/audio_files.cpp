// WAV and Ogg Vorbis writers of the sound generator.
#include "audio_files.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace sounds {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void PutU32(std::vector<unsigned char>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void PutU16(std::vector<unsigned char>& out, uint16_t v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}
void PutTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

int16_t ToPcm16(float v) {
  float s = std::round(v * 32767.0f);
  if (s > 32767.0f) s = 32767.0f;
  if (s < -32767.0f) s = -32767.0f;
  return static_cast<int16_t>(s);
}

bool WritePages(FILE* f, ogg_page& page) {
  return std::fwrite(page.header, 1, page.header_len, f) == static_cast<size_t>(page.header_len) &&
         std::fwrite(page.body, 1, page.body_len, f) == static_cast<size_t>(page.body_len);
}

}  // namespace

bool WriteWav(const std::string& path, const std::vector<float>& samples, int sample_rate) {
  const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<unsigned char> out;
  out.reserve(44 + data_bytes);
  PutTag(out, "RIFF");
  PutU32(out, 36 + data_bytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, 16);
  PutU16(out, 1);  // PCM
  PutU16(out, 1);  // mono
  PutU32(out, static_cast<uint32_t>(sample_rate));
  PutU32(out, static_cast<uint32_t>(sample_rate) * 2);
  PutU16(out, 2);   // block align
  PutU16(out, 16);  // bits
  PutTag(out, "data");
  PutU32(out, data_bytes);
  for (float v : samples) PutU16(out, static_cast<uint16_t>(ToPcm16(v)));
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  if (std::fwrite(out.data(), 1, out.size(), f.get()) != out.size()) return false;
  return std::fflush(f.get()) == 0;
}

bool WriteOgg(const std::string& path, const std::vector<float>& left,
              const std::vector<float>& right, int sample_rate, float quality,
              int serial) {
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;

  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 2, sample_rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return false;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "TITLE", path.substr(path.find_last_of('/') + 1).c_str());
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);

  bool ok = true;
  ogg_packet header, header_comm, header_code;
  vorbis_analysis_headerout(&vd, &vc, &header, &header_comm, &header_code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &header_comm);
  ogg_stream_packetin(&os, &header_code);
  ogg_page page;
  // The headers get pages of their own so audio starts on a fresh page.
  while (ok && ogg_stream_flush(&os, &page) != 0) ok = WritePages(f.get(), page);

  // Drains every finished block into pages.
  auto drain = [&]() {
    while (ok && vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (ok && vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ok && ogg_stream_pageout(&os, &page) != 0) ok = WritePages(f.get(), page);
      }
    }
  };
  constexpr size_t kChunk = 4096;
  const size_t total = left.size();
  for (size_t pos = 0; ok && pos < total; pos += kChunk) {
    size_t n = total - pos < kChunk ? total - pos : kChunk;
    float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
    for (size_t i = 0; i < n; ++i) {
      buffer[0][i] = left[pos + i];
      buffer[1][i] = right[pos + i];
    }
    vorbis_analysis_wrote(&vd, static_cast<int>(n));
    drain();
  }
  vorbis_analysis_wrote(&vd, 0);  // end of stream
  drain();
  while (ok && ogg_stream_flush(&os, &page) != 0) ok = WritePages(f.get(), page);

  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return ok && std::fflush(f.get()) == 0;
}

}  // namespace sounds
