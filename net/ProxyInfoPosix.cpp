#include "net/ProxyInfo.h"

ProxyInfo ProxyInfo::System()
{
    return {};
}
