// A segment index that follows a document: built from its model space at first use, then
// kept current entity by entity through the document's listener, so that tracing a
// boundary never rebuilds it from the whole drawing.
#pragma once

#include "minicad/document.h"
#include "minicad/segment_index.h"

namespace tarsel::minicad {

// Registers itself with the document on construction and removes itself on destruction,
// so it must not outlive the document (a command line and its commands never do: they are
// made for one document and hold it by reference).
class TrackedSegmentIndex final : public DocumentListener {
public:
    explicit TrackedSegmentIndex(Document& document);
    ~TrackedSegmentIndex() override;
    TrackedSegmentIndex(const TrackedSegmentIndex&) = delete;
    TrackedSegmentIndex& operator=(const TrackedSegmentIndex&) = delete;

    [[nodiscard]] Document& document() const { return document_; }
    // The index of the document's model space as it is now.
    [[nodiscard]] const SegmentIndex& Index();

    void OnAdded(const Entity& entity) override;
    void OnErased(const Entity& entity) override;
    void OnModified(const Entity& before, const Entity& after) override;
    void OnReset() override;

private:
    Document& document_;
    SegmentIndex index_;
    bool stale_ = true;  // nothing built yet, or the whole drawing was replaced
};

}  // namespace tarsel::minicad
