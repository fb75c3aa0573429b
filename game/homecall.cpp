// The home call: one HTTP GET to the maker's server that announces the game
// by its number, made at start-up only while rv_Quenmor_J_On_Allow is 1 (it
// starts at 0 and nothing sets it, so this build never calls). The answer's
// body is kept in m_homeText and only noted as present (rv_Quenmor_J_On_Able);
// nothing waits for it and a failure changes nothing.
//
// The server's name is ours: a reserved ".example" name, which resolves
// nowhere, so even a build with the gate open reaches no real machine.
#include "game/globals.h"
#include "game/myapp.h"

namespace {

const char* const kHomePage = "http://plondrel.example/housecall.php";

}  // namespace

namespace homecall {

String Address() { return String(kHomePage); }
String Query() { return String("hello=1&gameID=") + String(rv_Quenmor_GameNum); }

}  // namespace homecall

int c_MyApp::p_GetURL(String url, String query) {
  m_homeText = String("N/A");
  String address = url + String("?") + query;
  c_HttpRequest* request = (new c_HttpRequest())->m_new();
  request->p_Open(String("GET"), address, this);
  gc_assign(m_homeRequest, request);
  request->p_Send();
  rvPrint(String("Requesting URL"));
  m_homeDone = 0;
  return 0;
}

int c_MyApp::p_OnHttpRequestComplete(c_HttpRequest* request) {
  if (!request || request != m_homeRequest) return 0;
  rvPrint(String("Http GET complete! ") + String(request->p_Status()));
  m_homeDone = 1;
  m_homeText = request->p_ResponseText();
  if (!m_homeText.Empty()) rv_Quenmor_J_On_Able = 1;
  return 0;
}
