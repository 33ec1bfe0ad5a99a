#include "engine/debug/network.h"

#include "engine/debug/unix_network.h"

namespace Voke {

std::atomic<bool> g_networkActivity{false};

SmartPtr<Network> Network::s_instance;

Network* Network::Create()
{
    s_instance = new UnixNetwork;
    return s_instance;
}

Network* Network::Instance() { return s_instance; }

void Network::Release() { s_instance.Reset(); }

}  // namespace Voke
