#include "checks/change_tracking.h"

namespace mero {

namespace {
ChangeTracker* g_tracker = nullptr;
}

ChangeTracker* ChangeTracker::setCurrent(ChangeTracker* tracker) {
    ChangeTracker* previous = g_tracker;
    g_tracker = tracker;
    return previous;
}

ChangeTracker* ChangeTracker::current() {
    return g_tracker;
}

} // namespace mero
