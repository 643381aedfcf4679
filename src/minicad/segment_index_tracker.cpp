#include "minicad/segment_index_tracker.h"

namespace tarsel::minicad {

TrackedSegmentIndex::TrackedSegmentIndex(Document& document) : document_(document) {
    document_.AddListener(this);
}

TrackedSegmentIndex::~TrackedSegmentIndex() {
    document_.RemoveListener(this);
}

const SegmentIndex& TrackedSegmentIndex::Index() {
    if (stale_) {
        index_.Clear();
        for (const Entity& e : document_.Entities()) index_.Add(e);
        stale_ = false;
    }
    return index_;
}

// While stale the next use rebuilds everything, so single changes need not be followed.
void TrackedSegmentIndex::OnAdded(const Entity& entity) {
    if (!stale_) index_.Add(entity);
}

void TrackedSegmentIndex::OnErased(const Entity& entity) {
    if (!stale_) index_.Remove(entity.id);
}

void TrackedSegmentIndex::OnModified(const Entity& /*before*/, const Entity& after) {
    if (!stale_) index_.Update(after);
}

void TrackedSegmentIndex::OnReset() {
    stale_ = true;
    index_.Clear();
}

}  // namespace tarsel::minicad
