#pragma once
// Inside the link only: marks the span in which an operation on the units hands control to the
// event loop (Link::InsideWait).

namespace kalvora::detail {

extern int g_linkWaitDepth;

class InWait {
public:
    InWait() { ++g_linkWaitDepth; }
    ~InWait() { --g_linkWaitDepth; }
    InWait(const InWait&) = delete;
    InWait& operator=(const InWait&) = delete;
};

}  // namespace kalvora::detail
