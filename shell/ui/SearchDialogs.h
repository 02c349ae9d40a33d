// The search windows: "Cerca...", "Cerca / Sostituisci..." and "Cerca con
// operatori..." (one dialog in three forms), "Cerca per parola chiave...",
// "Ricerche ipertestuali..." and "Esplorazione dei collegamenti...". The
// searching itself is shell/Search.h and shell/References.h; the windows
// that search the whole hypertext run their job in slices from a timer.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/References.h"
#include "shell/Search.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace model {
class TNYXset;
}

namespace shell::ui {

enum class TSearchScope { kPage, kHypertext };

// What the search dialog was asked to do.
struct TSearchRequest {
    TSearchTerms terms;
    std::string with;  // the replacement
    bool replace = false;
    TSearchOptions options;
    TSearchScope scope = TSearchScope::kPage;
};

// Runs a sliced job from a zero-interval timer, at most `sliceMs` a turn,
// until it is done; the event loop goes on between slices. Returns the
// longest slice seen, in microseconds.
class TJobRunner : public QObject {
    Q_OBJECT
public:
    explicit TJobRunner(QObject* parent = nullptr);
    static constexpr int kSliceMs = 10;
    void Start(TSlicedJob* job, std::function<void()> onSlice = {}, std::function<void()> onEnd = {});
    void Stop();
    bool Running() const { return job_ != nullptr; }
    // Starts and waits for the end in a local event loop.
    void RunAndWait(TSlicedJob* job, std::function<void()> onSlice = {});
    std::int64_t LongestSliceUs() const { return longest_; }

private:
    void Tick();
    QTimer timer_;
    TSlicedJob* job_ = nullptr;
    std::function<void()> onSlice_, onEnd_;
    std::int64_t longest_ = 0;
};

class TFcerca : public QDialog {
    Q_OBJECT
public:
    enum class TMode { kFind, kReplace, kOperators };
    TFcerca(TMode mode, const TSearchRequest& start, const std::vector<std::string>& lastTerms,
            QWidget* parent = nullptr);
    TSearchRequest Request() const;
    void done(int r) override;

private:
    TMode mode_;
    QComboBox* terms_[4] = {};
    QLineEdit* with_ = nullptr;
    QCheckBox* whole_;
    QCheckBox* ignoreCase_;
    QCheckBox* conf1_;
    QCheckBox* confAll_;
    QComboBox* startFrom_;
    QRadioButton* inPage_;
    QRadioButton* inHypertext_;
};

// "Pagina per parola chiave": the keywords, and the pages of the one chosen.
class TFparoleChiave : public QDialog {
    Q_OBJECT
public:
    TFparoleChiave(const model::TNYXset& set, QWidget* parent = nullptr);
    // Shows the pages of the keyword at a row of the list.
    void ChooseKeyword(int row);
    QListWidget* KeywordList() const { return keywords_; }
    QListWidget* PageList() const { return pages_; }
    // The page chosen (-1: none).
    std::int64_t ChosenPage() const;

private:
    const model::TNYXset& set_;
    std::vector<TKeywordEntry> entries_;
    QListWidget* keywords_;
    QLabel* heading_;
    QListWidget* pages_;
};

// "Ricerche ipertestuali - esplorazione collegamenti": the objects of a type,
// and the pages (or objects of another type) that contain the one chosen.
class TFricerche : public QDialog {
    Q_OBJECT
public:
    TFricerche(const model::TNYXset& set, QWidget* parent = nullptr);
    ~TFricerche() override;
    // Shows the objects of a type to choose from.
    void ShowType(int type);
    void SelectObject(std::int64_t slot);
    // Starts the search for the object chosen; the results come in slices.
    void StartSearch();
    void StopSearch();
    bool Searching() const { return runner_.Running(); }
    QListWidget* Results() const { return results_; }
    const TJobRunner& Runner() const { return runner_; }
    // A double click on a result: the page to show.
    std::function<void(std::int64_t page)> onShowPage;

protected:
    void reject() override;

private:
    void Finished();
    const model::TNYXset& set_;
    QComboBox* type_;
    QListWidget* objects_;
    QComboBox* resultType_;
    QPushButton* start_;
    QPushButton* stop_;
    QProgressBar* progress_;
    QListWidget* results_;
    std::vector<std::int64_t> objectSlots_;
    std::unique_ptr<TReferencesJob> job_;
    TJobRunner runner_;
};

// "Esplorazione dei collegamenti": the pages that lead to the current page
// and what it leads to.
class TFesplora : public QDialog {
    Q_OBJECT
public:
    TFesplora(const model::TNYXset& set, QWidget* parent = nullptr);
    ~TFesplora() override;
    // A new exploration stops the running one.
    void Explore(std::int64_t page);
    bool Exploring() const { return runner_.Running(); }
    QListWidget* FromList() const { return from_; }
    QListWidget* ToList() const { return to_; }
    std::function<void(std::int64_t page)> onShowPage;

protected:
    void reject() override;

private:
    const model::TNYXset& set_;
    QLabel* title_;
    QListWidget* from_;
    QListWidget* to_;
    std::unique_ptr<TLinkExploreJob> job_;
    TJobRunner runner_;
};

}  // namespace shell::ui
