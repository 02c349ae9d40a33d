#include "shell/ui/PrintCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <memory>
#include <utility>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/PrintDialog.h"
#include "present/ui/PrintRender.h"
#include "richtext/Undo.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {
namespace {

bool forcePdf = false;

// What the window keeps for printing: its printer, the margins in force and
// the last PDF file written.
class TPrintState : public QObject {
public:
    explicit TPrintState(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("printState")); }
    QPrinter& Printer() {
        if (!printer_) {
            if (HasPrinter()) {
                const QPrinterInfo info =
                    QPrinterInfo::defaultPrinter().isNull() ? QPrinterInfo::availablePrinters().value(0)
                                                            : QPrinterInfo::defaultPrinter();
                printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            } else {
                printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
                printer_->setOutputFormat(QPrinter::PdfFormat);
            }
            printer_->setFullPage(true);
        }
        return *printer_;
    }
    present::TMargins margins;
    std::filesystem::path lastPdf;

private:
    std::unique_ptr<QPrinter> printer_;
};

TPrintState& State(TMainForm& form) {
    if (auto* s = form.findChild<TPrintState*>(QStringLiteral("printState"), Qt::FindDirectChildrenOnly)) return *s;
    return *new TPrintState(&form);
}

present::TProfileStore Store() {
    present::TProfileStore s;
    s.read = [](const std::string& key, const std::string& name) -> std::optional<std::string> {
        TOptionsStore& o = options();
        if (!o.KeyExists(key)) return std::nullopt;
        return o.ReadKey(key, name);
    };
    s.write = [](const std::string& key, const std::string& name, const std::string& value) {
        return options().WriteKey(key, name, value);
    };
    return s;
}

// Loads the profile "PrinterSettings1" into the window's printer and margins.
void LoadProfile(TMainForm& form) {
    TPrintState& st = State(form);
    present::TPrinterProfile p = present::ui::ProfileOf(st.Printer(), st.margins);
    if (!present::LoadPrinterProfile(Store(), present::kDefaultProfile, p)) return;
    std::string message;
    present::ui::ApplyProfile(st.Printer(), p, &message);
    st.margins = p.margins;
    if (!message.empty()) platform::ui().Warning(message);
}

bool SaveProfile(TMainForm& form) {
    TPrintState& st = State(form);
    TOptionsStore& o = options();
    o.BeginUpdate();
    const bool ok = present::SavePrinterProfile(Store(), present::kDefaultProfile,
                                                present::ui::ProfileOf(st.Printer(), st.margins));
    return o.EndUpdate() && ok;
}

std::int32_t CurrentPage(TMainForm& form) {
    const std::int32_t slot = form.FrameSet()->MainPageNumber();
    const model::TNYXoggetto* p = slot >= 0 ? form.Document().ObjectAt(model::testoHtml, slot) : nullptr;
    return p && !p->IsEmpty() ? slot : -1;
}

std::optional<std::filesystem::path> AskPdf(TMainForm& form) {
    TFileRequest r;
    r.kind = TFileRequest::Save;
    r.caption = "Stampa su file PDF";
    r.filter = "Documenti PDF (*.pdf)";
    TPrintState& st = State(form);
    if (!st.lastPdf.empty()) {
        r.folder = st.lastPdf.parent_path();
        r.suggested = st.lastPdf.filename().string();
    } else {
        r.folder = form.DocumentName().empty() ? std::filesystem::path() : form.DocumentName().parent_path();
        r.suggested = form.DocumentName().empty() ? "stampa.pdf" : form.DocumentName().stem().string() + ".pdf";
    }
    auto a = ChooseFile(&form, r);
    if (!a || a->file.empty()) return std::nullopt;
    std::filesystem::path f = a->file;
    if (!f.has_extension()) f += ".pdf";
    st.lastPdf = f;
    return f;
}

// Where a print without the dialog goes: the window's printer, else a PDF
// file the user names (nullopt: cancelled).
std::optional<present::ui::TPrintDestination> Destination(TMainForm& form) {
    TPrintState& st = State(form);
    present::ui::TPrintDestination d;
    d.paper = st.Printer().pageLayout().pageSize();
    d.landscape = st.Printer().pageLayout().orientation() == QPageLayout::Landscape;
    if (HasPrinter()) {
        d.kind = present::ui::TPrintDestination::kPrinter;
        d.printer = &st.Printer();
        d.copies = st.Printer().copyCount();
        return d;
    }
    auto f = AskPdf(form);
    if (!f) return std::nullopt;
    d.kind = present::ui::TPrintDestination::kPdf;
    d.file = *f;
    return d;
}

// Runs the pages and tells what went wrong, markup problems once for the run.
bool Run(TMainForm& form, const std::vector<std::int32_t>& pages, const present::TPrintOptions& options,
         const present::ui::TPrintDestination& d) {
    present::ui::TPrintReport report;
    const bool ok = present::ui::PrintPages(form.Document(), pages, options, CurrentMargins(form), d, report);
    if (!report.diagnostics.Empty()) {
        std::string text = "Problemi nel testo delle pagine stampate:";
        for (const std::string& line : report.diagnostics.Summary()) text += "\n" + line;
        platform::ui().Warning(text);
    }
    if (!ok) platform::ui().Error(report.error);
    return ok;
}

std::unique_ptr<present::ui::TFprint> MakeDialog(TMainForm& form, bool orderMode) {
    form.CommitPageEdits();
    auto dlg = std::make_unique<present::ui::TFprint>(form.Document(), CurrentPage(form), orderMode, &form);
    TPrintState& st = State(form);
    dlg->margins = st.margins;
    dlg->printer = HasPrinter() ? &st.Printer() : nullptr;
    dlg->paper = st.Printer().pageLayout().pageSize();
    dlg->landscape = st.Printer().pageLayout().orientation() == QPageLayout::Landscape;
    dlg->SetPreviewOnClick(options().ReadOption("clicprintprev") != "0");
    dlg->onPreviewOnClickChanged = [](bool on) { options().WriteFlag("clicprintprev", on); };
    TMainForm* f = &form;
    dlg->choosePdf = [f] { return AskPdf(*f); };
    dlg->runDialog = [](QDialog& d) { return RunDialog(d); };
    if (!HasPrinter() && !st.lastPdf.empty()) dlg->SetPdfFile(st.lastPdf, false);
    return dlg;
}

}  // namespace

bool HasPrinter() { return !forcePdf && !QPrinterInfo::availablePrinterNames().isEmpty(); }
void ForcePdfOutput(bool on) { forcePdf = on; }

present::TMargins CurrentMargins(TMainForm& form) { return State(form).margins; }
void SetCurrentMargins(TMainForm& form, const present::TMargins& m) { State(form).margins = m; }
QPrinter& WindowPrinter(TMainForm& form) { return State(form).Printer(); }

namespace {

// The printer choice is all "Imposta stampante" is for: its accept button
// reads "Ok", not "Print" (Qt's own texts come from its translations, loaded
// at start).
void AcceptReadsOk(QDialog& dlg) {
    if (auto* box = dlg.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("Ok"));
}

}  // namespace

bool SetUpPrinter(TMainForm& form) {
    LoadProfile(form);
    QPrinter& printer = State(form).Printer();
    QPrintDialog dlg(&printer, &form);
    dlg.setWindowTitle(QStringLiteral("Imposta stampante"));
    AcceptReadsOk(dlg);
    if (RunDialog(dlg) != QDialog::Accepted) return false;
    return SaveProfile(form);
}

namespace {

// The page set-up of a PDF printer (the platform's page set-up dialog serves
// real printers only): the four margins in millimetres and the paper.
bool RunMarginsDialog(TMainForm& form, QPrinter& printer, present::TMargins& margins) {
    QDialog dlg(&form);
    dlg.setObjectName(QStringLiteral("TFmargini"));
    dlg.setWindowTitle(QStringLiteral("Imposta margini"));
    auto* layout = new QFormLayout(&dlg);
    auto* paper = new QComboBox(&dlg);
    paper->setObjectName(QStringLiteral("cbFoglio"));
    for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::A3, QPageSize::A5, QPageSize::Letter, QPageSize::Legal})
        paper->addItem(QPageSize::name(id), static_cast<int>(id));
    const int at = paper->findData(static_cast<int>(printer.pageLayout().pageSize().id()));
    paper->setCurrentIndex(at >= 0 ? at : 0);
    auto* landscape = new QCheckBox(QStringLiteral("Orizzontale"), &dlg);
    landscape->setObjectName(QStringLiteral("cbOrizzontale"));
    landscape->setChecked(printer.pageLayout().orientation() == QPageLayout::Landscape);
    layout->addRow(QStringLiteral("Foglio:"), paper);
    layout->addRow(landscape);
    std::int32_t* fields[] = {&margins.left, &margins.top, &margins.right, &margins.bottom};
    const char* names[] = {"seSinistro", "seSopra", "seDestro", "seSotto"};
    const char* labels[] = {"Sinistro (mm):", "Superiore (mm):", "Destro (mm):", "Inferiore (mm):"};
    QDoubleSpinBox* boxes[4];
    for (int i = 0; i < 4; ++i) {
        boxes[i] = new QDoubleSpinBox(&dlg);
        boxes[i]->setObjectName(QString::fromLatin1(names[i]));
        boxes[i]->setRange(0, 1000);
        boxes[i]->setDecimals(2);
        boxes[i]->setValue(*fields[i] / 100.0);
        layout->addRow(QString::fromLatin1(labels[i]), boxes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addRow(buttons);
    if (RunDialog(dlg) != QDialog::Accepted) return false;
    printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(paper->currentData().toInt())));
    printer.setPageOrientation(landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    for (int i = 0; i < 4; ++i) *fields[i] = static_cast<std::int32_t>(std::lround(boxes[i]->value() * 100));
    return true;
}

}  // namespace

bool SetUpMargins(TMainForm& form) {
    LoadProfile(form);
    TPrintState& st = State(form);
    QPrinter& printer = st.Printer();
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return RunMarginsDialog(form, printer, st.margins) && SaveProfile(form);
    printer.setFullPage(false);
    printer.setPageMargins(QMarginsF(st.margins.left / 100.0, st.margins.top / 100.0, st.margins.right / 100.0,
                                     st.margins.bottom / 100.0),
                           QPageLayout::Millimeter);
    QPageSetupDialog dlg(&printer, &form);
    dlg.setWindowTitle(QStringLiteral("Imposta margini"));
    const bool accepted = RunDialog(dlg) == QDialog::Accepted;
    if (accepted) {
        const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
        auto h = [](qreal mm) { return static_cast<std::int32_t>(std::lround(mm * 100)); };
        st.margins = {h(m.left()), h(m.top()), h(m.right()), h(m.bottom())};
    }
    printer.setFullPage(true);
    return accepted && SaveProfile(form);
}

namespace {

// Runs the dialog; a page order it stored can be undone ("Ordine pagine").
bool RunWithOrderUndo(TMainForm& form, present::ui::TFprint& dlg) {
    auto before = std::make_unique<richtext::TorderBackup>(form.UndoList(), "Ordine pagine");
    const bool accepted = RunDialog(dlg) == QDialog::Accepted;
    if (dlg.OrderStored()) form.UndoList().AddUndo(std::move(before));
    form.UpdateEditCommands();
    return accepted;
}

}  // namespace

bool ShowPrintDialog(TMainForm& form) {
    auto dlg = MakeDialog(form, false);
    return RunWithOrderUndo(form, *dlg);
}

bool ShowPrintOrder(TMainForm& form) {
    if (form.MainDocument().RefuseEdit()) return false;
    auto dlg = MakeDialog(form, true);
    return RunWithOrderUndo(form, *dlg);
}

bool PrintCurrentPage(TMainForm& form) {
    form.CommitPageEdits();
    const std::int32_t page = CurrentPage(form);
    if (page < 0) {
        platform::ui().Information("Invalid use of TNYXpageP.Riempi");
        return false;
    }
    auto d = Destination(form);
    if (!d) return false;
    present::TPrintOptions o;
    o.pageBackground = true;
    return Run(form, {page}, o, *d);
}

bool PrintAllPages(TMainForm& form) {
    auto dlg = MakeDialog(form, false);
    if (!HasPrinter()) {
        auto f = AskPdf(form);
        if (!f) return false;
        dlg->SetPdfFile(*f, false);
    }
    dlg->AllInOrder();
    // Shown while it prints, so that its progress bar and "Ferma" can be
    // seen and used; modal, so that nothing is edited meanwhile.
    dlg->setWindowModality(Qt::ApplicationModal);
    dlg->show();
    const bool ok = dlg->Print();
    dlg->close();
    return ok;
}

void AddPrintCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    State(form);
    handlers["actImpostaStampante"] = [f] { SetUpPrinter(*f); };
    handlers["actImpostaMargini"] = [f] { SetUpMargins(*f); };
    handlers["actStampa"] = [f] { ShowPrintDialog(*f); };
    handlers["actStampaPagina"] = [f] { PrintCurrentPage(*f); };
    handlers["actStampaTutte"] = [f] { PrintAllPages(*f); };
    handlers["actOrdinePagine"] = [f] { ShowPrintOrder(*f); };
}

}  // namespace shell::ui
