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

// `DeletionReport`: for each object, where it is used. Its lines:
//   + "NAME" è presente in/collegato da /utilizzato in:
//       - page name   {reason}
// or, for an object nothing uses,
//   - "NAME" sembra inutilizzato.
class TDeletionReportJob : public TSlicedJob {
public:
    TDeletionReportJob(model::TNYXset& set, std::vector<std::int32_t> objects);
    // The lines of one object, as soon as they are complete.
    std::function<void(std::size_t object, const std::vector<std::string>& lines)> onLines;
    std::size_t Done() const override { return next_; }
    std::size_t Total() const override { return objects_.size(); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // Index in Lines() of each reported object's heading.
    const std::vector<std::size_t>& Headings() const { return headings_; }
    // Deletes (resets) the objects chosen (indexes into the list given; all
    // when empty). A report still running is brought to its end first, so
    // no part of it reads an object already reset; each deleted object's
    // heading is then marked "[X] Cancellato". Returns how many were deleted.
    std::size_t ConfirmDeletion(const std::vector<std::size_t>& chosen = {});

protected:
    bool StepOne() override;

private:
    model::TNYXset& set_;
    std::vector<std::int32_t> objects_;
    std::size_t next_ = 0;
    std::vector<std::string> lines_;
    std::vector<std::size_t> headings_;
};

inline constexpr const char* kDeletedMark = "[X] Cancellato";

}  // namespace shell
