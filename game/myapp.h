// Tazmelo's application object. For now it only sets the update rate; the
// game's state and callbacks replace the empty ones here.
#pragma once

#include "app/app.h"

class c_MyApp : public c_App {
 public:
  c_MyApp* m_new();
  void mark() override;

  int p_OnCreate() override;
  int p_OnUpdate() override;
  int p_OnRender() override;
  int p_OnSuspend() override;
  int p_OnResume() override;
};
