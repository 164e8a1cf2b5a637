#include "engine/RegisterThread.h"

#include "engine/LoginMessages.h"
#include "stack/h323/H323EndPoint.h"

namespace {

constexpr int kNoReason = -1;

}  // namespace

UINT RegisterThread(RegisterParams& p, RegisterSupervisor& supervisor) {
  H323EndPoint& endpoint = *p.endpoint;
  // Clears every call, unregisters and deletes the current gatekeeper client.
  endpoint.RemoveGatekeeper(kNoReason);
  if (supervisor.IsSuperseded()) return 0;
  endpoint.SetLocalUserName(PString(p.alias.GetString()));
  endpoint.SetGatekeeperPassword(PString(p.password.GetString()));

  auto attempt = [&](const CString& host) {
    return !supervisor.IsSuperseded() && endpoint.SetGatekeeper(PString(host.GetString()));
  };
  bool registered = attempt(p.host) || attempt(p.host);
  if (!registered && !p.fallbackHost.IsEmpty()) {
    p.host = p.fallbackHost;
    p.fallbackHost.Empty();
    registered = attempt(p.host);
  }
  const UINT message = registered ? WM_LOGIN_REGISTERED : WM_LOGIN_REGISTER_FAILED;
  return supervisor.Report(p.window, message) ? message : 0;
}
