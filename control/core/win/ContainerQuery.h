#pragma once
// What a control's client site tells of its container: whether it is a browser (it offers
// the web-browser service, or its container is an HTML document) and the address of the
// page. Called on the control's thread.
#include <ole2.h>

#include "control/core/SiteLock.h"

namespace tavolen {

ContainerSite DescribeContainer(IOleClientSite* site);

}  // namespace tavolen
