// The bare baseline for bench/perf_report: GLFW and OpenGL 1.1 alone, no
// framework, opening the game's 640 x 480 window and drawing N blended
// 28 x 28 sprites from one texture per frame at 60 frames a second, batched
// as the renderer batches (1024 interleaved vertices, indexed quads). What it
// costs is what any program drawing that frame on this machine must pay.
//
//   bench_bare_gl SPRITES SECONDS [--back-to-back]
//
// --back-to-back draws the next frame as soon as llvmpipe has finished the
// last (glFinish) instead of waiting for the 60 Hz tick: warm caches, as a
// benchmark loop has them, where the paced frame comes after an idle CPU.
//
// Prints, one per line: "first_frame <CLOCK_MONOTONIC seconds>" when the
// first frame is swapped, then at exit "render_cpu_us_median <us>" (main
// thread CPU per frame, clear to last draw call) and "peak_rss_kb <kB>".
#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int kBatchVertices = 1024;
constexpr int kSprite = 28;
constexpr int kTexture = 256;

struct Vertex {
  float x, y, u, v;
  std::uint32_t color;
};

double clock_s(clockid_t id) {
  timespec ts;
  clock_gettime(id, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

long peak_rss_kb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
  }
  std::fclose(f);
  return kb;
}

}  // namespace

int main(int argc, char** argv) {
  int sprites = argc > 1 ? std::atoi(argv[1]) : 2500;
  double seconds = argc > 2 ? std::atof(argv[2]) : 5;
  const bool backToBack = argc > 3 && std::strcmp(argv[3], "--back-to-back") == 0;
  if (!glfwInit()) return 1;
  glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
  GLFWwindow* window = glfwCreateWindow(640, 480, "Tazmelo bare", nullptr, nullptr);
  if (!window) return 1;
  glfwMakeContextCurrent(window);
  glfwSwapInterval(1);

  // A texture of 28 x 28 cells with soft edges, so blending does real work.
  std::vector<std::uint32_t> pixels(kTexture * kTexture);
  for (int y = 0; y < kTexture; ++y) {
    for (int x = 0; x < kTexture; ++x) {
      unsigned a = ((x % kSprite) * 9 + (y % kSprite) * 7) & 0xff;
      pixels[y * kTexture + x] = a << 24 | (a * x / kTexture) << 16 | (a * y / kTexture) << 8 | a;
    }
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTexture, kTexture, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               pixels.data());

  static Vertex vertices[kBatchVertices];
  static std::uint16_t indices[kBatchVertices / 4 * 6];
  for (int k = 0; k < kBatchVertices / 4; ++k) {
    const std::uint16_t b = (std::uint16_t)(k * 4);
    const std::uint16_t q[6] = {b, (std::uint16_t)(b + 1), (std::uint16_t)(b + 2),
                                b, (std::uint16_t)(b + 2), (std::uint16_t)(b + 3)};
    std::memcpy(indices + k * 6, q, sizeof q);
  }

  std::vector<double> cpu;
  const double start = clock_s(CLOCK_MONOTONIC);
  double next = start;
  bool first = true;
  unsigned frame = 0;
  while (!glfwWindowShouldClose(window) && clock_s(CLOCK_MONOTONIC) - start < seconds) {
    const double c0 = clock_s(CLOCK_THREAD_CPUTIME_ID);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertices[0].color);
    int n = 0;
    for (int i = 0; i < sprites; ++i) {
      const float x = (float)((i * 37 + frame) % (640 - kSprite));
      const float y = (float)((i * 53 + frame * 2) % (480 - kSprite));
      const float u = (float)(i % 9 * kSprite) / kTexture, v = (float)(i / 9 % 9 * kSprite) / kTexture;
      const float s = (float)kSprite / kTexture;
      Vertex* q = vertices + n;
      q[0] = {x, y, u, v, 0xffffffffu};
      q[1] = {x + kSprite, y, u + s, v, 0xffffffffu};
      q[2] = {x + kSprite, y + kSprite, u + s, v + s, 0xffffffffu};
      q[3] = {x, y + kSprite, u, v + s, 0xffffffffu};
      n += 4;
      if (n == kBatchVertices || i + 1 == sprites) {
        glDrawElements(GL_TRIANGLES, n / 4 * 6, GL_UNSIGNED_SHORT, indices);
        n = 0;
      }
    }
    cpu.push_back((clock_s(CLOCK_THREAD_CPUTIME_ID) - c0) * 1e6);
    glfwSwapBuffers(window);
    if (first) {
      std::printf("first_frame %.6f\n", clock_s(CLOCK_MONOTONIC));
      std::fflush(stdout);
      first = false;
    }
    glfwPollEvents();
    ++frame;
    next += 1.0 / 60;
    const double wait = next - clock_s(CLOCK_MONOTONIC);
    if (backToBack) {
      glFinish();
    } else if (wait > 0) {
      timespec ts{(time_t)wait, (long)((wait - (time_t)wait) * 1e9)};
      nanosleep(&ts, nullptr);
    } else {
      next = clock_s(CLOCK_MONOTONIC);
    }
  }
  std::sort(cpu.begin(), cpu.end());
  std::printf("render_cpu_us_median %.1f\n", cpu.empty() ? 0.0 : cpu[(cpu.size() - 1) / 2]);
  std::printf("peak_rss_kb %ld\n", peak_rss_kb());
  glfwDestroyWindow(window);
  glfwTerminate();
  return 0;
}
