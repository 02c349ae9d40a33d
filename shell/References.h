// Which objects refer to an object: the reference search of the hypertext
// searches window, the report shown before objects are deleted from the
// albums, and the exploration of the links into and out of a page. Each is a
// job that works in slices on the thread that owns the hypertext (see
// shell/Search.h) and hands its results over as it finds them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/Search.h"

namespace model {
class TNYXset;
}

namespace shell {

// The reasons of ReferenceReason as the user reads them (0..16); "" beyond.
std::string ReasonText(int code);

struct TReferenceHit {
    std::int64_t slot;  // in the result type's table
    int reason;
};

// `ReferencesTo`: the non-empty objects of `resultType` whose ReferenceReason
// for `object` is not 0, in slot order.
class TReferencesJob : public TSlicedJob {
public:
    TReferencesJob(const model::TNYXset& set, std::int32_t object, int resultType);
    std::size_t Done() const override { return next_; }
    std::size_t Total() const override { return total_; }
    const std::vector<TReferenceHit>& Hits() const { return hits_; }

protected:
    bool StepOne() override;

private:
    const model::TNYXset& set_;
    std::int32_t object_;
    int type_;
    std::size_t next_ = 0;
    std::size_t total_;
    std::vector<TReferenceHit> hits_;
};

std::vector<TReferenceHit> ReferencesTo(const model::TNYXset& set, std::int32_t object, int resultType);

// `ExploreLinks`: "from" are the pages that refer to the page, handed over
// in batches of five as they are found (the rest at the end); "to" are the
// pages, URLs and files the page leads to, handed over once.
class TLinkExploreJob : public TSlicedJob {
public:
    static constexpr std::size_t kBatch = 5;
    TLinkExploreJob(const model::TNYXset& set, std::int64_t pageSlot);
    std::function<void(const std::vector<std::int64_t>& pages)> onFrom;
    std::function<void(const std::vector<std::int32_t>& targets)> onTo;
    std::size_t Done() const override { return next_; }
    std::size_t Total() const override { return total_; }

protected:
    bool StepOne() override;

private:
    void Flush();
    const model::TNYXset& set_;
    std::int64_t page_;
    std::size_t next_ = 0;
    std::size_t total_;
    bool toDone_ = false;
    std::vector<std::int64_t> batch_;
};

// `DeletionReport`: for each object, where it is used: the report shown
// before objects are deleted from the albums. Its lines, object by object:
//   + "NAME" è presente in/collegato da /utilizzato in:
//       - page name   {reason}
// (one line for every non-empty page and prototype that refers to it, the
// reason as ReasonText gives it), or, for an object nothing uses,
//   - "NAME" sembra inutilizzato.
// A window runs it in slices (Run, one object a step; Stop to end it early),
// shows each object's lines as onLines hands them over, lets the user choose
// among the objects reported and calls ConfirmDeletion with the choice. The
// job reads the hypertext between slices: nothing may change it meanwhile
// but ConfirmDeletion.
class TDeletionReportJob : public TSlicedJob {
public:
    TDeletionReportJob(model::TNYXset& set, std::vector<std::int32_t> objects);
    // The lines of one object (its index in Objects()), as soon as they are complete.
    std::function<void(std::size_t object, const std::vector<std::string>& lines)> onLines;
    std::size_t Done() const override { return next_; }
    std::size_t Total() const override { return objects_.size(); }
    // The objects asked about (references), in the order given.
    const std::vector<std::int32_t>& Objects() const { return objects_; }
    // Every line so far, the objects' lines one after another.
    const std::vector<std::string>& Lines() const { return lines_; }
    // Index in Lines() of each reported object's heading (the k-th object's
    // heading is Headings()[k] once Reported(k)).
    const std::vector<std::size_t>& Headings() const { return headings_; }
    // Whether the report has reached an object, found nothing that uses it,
    // and whether ConfirmDeletion deleted it.
    bool Reported(std::size_t k) const { return k < next_; }
    bool Unused(std::size_t k) const { return k < unused_.size() && unused_[k]; }
    bool Deleted(std::size_t k) const { return k < deleted_.size() && deleted_[k]; }
    // Deletes (resets) the objects chosen (indexes into Objects(); all when
    // empty). A report still running is brought to its end first, so no part
    // of it reads an object already reset; when it was stopped, the objects
    // it never reached are not deleted: nobody was shown where they are used.
    // Each deleted object's heading is then marked "[X] Cancellato" and the
    // hypertext is marked changed. Returns how many were deleted.
    std::size_t ConfirmDeletion(const std::vector<std::size_t>& chosen = {});

protected:
    bool StepOne() override;

private:
    model::TNYXset& set_;
    std::vector<std::int32_t> objects_;
    std::size_t next_ = 0;
    std::vector<std::string> lines_;
    std::vector<std::size_t> headings_;
    std::vector<bool> unused_;
    std::vector<bool> deleted_;
};

inline constexpr const char* kDeletedMark = "[X] Cancellato";

}  // namespace shell
