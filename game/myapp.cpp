// c_MyApp's construction and marking. Every array is allocated once here at
// its fixed length and never reallocated, so a frame allocates nothing but
// the temporary strings of its text.
#include "game/myapp.h"

#include "game/globals.h"

c_MyApp::c_MyApp() {
  m_images = Array<c_Image*>(100);
  m_imageInfo = Array<int>(300);
  m_sounds = Array<c_Sound*>(100);
  m_channelMap = Array<int>(33);
  m_drawList = Array<float>(kDrawListFloats);
  m_pad = Array<int>(20);
  m_touchHit = Array<int>(10);
  m_touchX = Array<int>(10);
  m_touchY = Array<int>(10);
  for (int i = 0; i < 10; ++i) m_touchX[i] = m_touchY[i] = kUnset;
  m_spiroTrail = Array<float>(204);
  m_homeText = String("N/A");
  m_badgeGot = Array<bool>(256);
  m_badgeShowId = Array<int>(15);
  m_badgeShowTime = Array<int>(15);
  m_scores = Array<int>(5000);
  m_settings = Array<int>(25);
  m_settings[5] = 1;
  m_player = Array<float>(512);
  m_grid = Array<float>(5000000);
  m_objects = Array<float>(5100);
  m_stars = Array<float>(5100);
  m_particles = Array<float>(5100);
}

c_MyApp* c_MyApp::m_new() {
  c_App::m_new();
  return this;
}

void c_MyApp::mark() {
  c_App::mark();
  gc_mark_q(m_images);
  gc_mark_q(m_imageInfo);
  gc_mark_q(m_sounds);
  gc_mark_q(m_channelMap);
  gc_mark_q(m_drawList);
  gc_mark_q(m_pad);
  gc_mark_q(m_touchHit);
  gc_mark_q(m_touchX);
  gc_mark_q(m_touchY);
  gc_mark_q(m_spiroTrail);
  gc_mark_q(m_homeRequest);
  gc_mark_q(m_badgeGot);
  gc_mark_q(m_badgeShowId);
  gc_mark_q(m_badgeShowTime);
  gc_mark_q(m_scores);
  gc_mark_q(m_settings);
  gc_mark_q(m_player);
  gc_mark_q(m_grid);
  gc_mark_q(m_objects);
  gc_mark_q(m_stars);
  gc_mark_q(m_particles);
  // Collected fields added by the gameplay code are marked here.
  // (end of gameplay marks)

  // Collected fields added by the menu, options, pause and saved-data code
  // are marked here.
  // (end of menu marks)
}
