#include "device/EditHistory.h"

#include <algorithm>

namespace plenum::device {
namespace {

bool SameTarget(const EditTarget& a, const EditTarget& b) {
    return a.family == b.family && a.address.way == b.address.way && a.address.band == b.address.band &&
           a.address.section == b.address.section && a.address.callerValue == b.address.callerValue;
}

}  // namespace

void EditHistory::merge(EditStep& into, const EditStep& step) {
    for (const ByteChange& change : step.bytes) {
        auto it = std::find_if(into.bytes.begin(), into.bytes.end(), [&](const ByteChange& c) {
            return c.statusRecord == change.statusRecord && c.offset == change.offset;
        });
        if (it == into.bytes.end())
            into.bytes.push_back(change);
        else
            it->after = change.after;  // keep the earliest "before"
    }
    for (const EditTarget& target : step.targets)
        if (std::none_of(into.targets.begin(), into.targets.end(), [&](const EditTarget& t) { return SameTarget(t, target); }))
            into.targets.push_back(target);
}

void EditHistory::push(EditStep step) {
    // A step whose bytes all came back to where they were changes nothing.
    std::erase_if(step.bytes, [](const ByteChange& c) { return c.before == c.after; });
    if (step.empty()) return;
    undo_.push_back(std::move(step));
    if (undo_.size() > kDepth) undo_.erase(undo_.begin());
    redo_.clear();
}

void EditHistory::record(const EditStep& step) {
    if (gesture_) {
        merge(*gesture_, step);
        return;
    }
    EditStep copy;
    merge(copy, step);
    push(std::move(copy));
}

void EditHistory::beginGesture() {
    if (!gesture_) gesture_.emplace();
}

void EditHistory::endGesture() {
    if (!gesture_) return;
    EditStep step = std::move(*gesture_);
    gesture_.reset();
    push(std::move(step));
}

std::optional<EditStep> EditHistory::takeUndo() {
    if (undo_.empty()) return std::nullopt;
    EditStep step = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(step);
    return step;
}

std::optional<EditStep> EditHistory::takeRedo() {
    if (redo_.empty()) return std::nullopt;
    EditStep step = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(step);
    return step;
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    gesture_.reset();
}

}  // namespace plenum::device
