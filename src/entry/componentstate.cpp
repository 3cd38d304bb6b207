#include "componentstate.h"

#include <atomic>

namespace felcora {

ComponentState &state()
{
    thread_local ComponentState threadState;
    return threadState;
}

namespace {
std::atomic<int> liveObjects{0};
}

LiveObject::LiveObject() { ++liveObjects; }
LiveObject::~LiveObject() { --liveObjects; }
int LiveObject::count() { return liveObjects.load(); }

} // namespace felcora
