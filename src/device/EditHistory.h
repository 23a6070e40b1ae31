// The undo history of an edit window, free of any toolkit. A step remembers the image (and
// status) bytes an edit changed, before and after, and the family instances it sent. Undoing a
// step writes the earlier bytes back and runs the same sends, so the device and its linked
// devices receive the earlier value; redo does the same with the later bytes. Steps address
// bytes by offset in the window's own slot, never by pointer.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sat/ParamEditor.h"

namespace plenum::device {

struct ByteChange {
    bool statusRecord = false;  // a byte of the status record rather than of the image
    int offset = 0;
    std::uint8_t before = 0;
    std::uint8_t after = 0;
};

struct EditStep {
    std::vector<ByteChange> bytes;
    std::vector<EditTarget> targets;  // in first-sent order, each once
    bool empty() const { return bytes.empty(); }
};

class EditHistory {
public:
    static constexpr std::size_t kDepth = 200;

    // Adds a step, or merges it into the open gesture (one fader or graph drag = one step).
    void record(const EditStep& step);
    void beginGesture();
    void endGesture();
    bool inGesture() const { return gesture_.has_value(); }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // The step to undo (moved to the redo stack), or nullopt.
    std::optional<EditStep> takeUndo();
    std::optional<EditStep> takeRedo();
    void clear();

private:
    static void merge(EditStep& into, const EditStep& step);
    void push(EditStep step);

    std::vector<EditStep> undo_;
    std::vector<EditStep> redo_;
    std::optional<EditStep> gesture_;
};

}  // namespace plenum::device
