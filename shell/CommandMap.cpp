#include "shell/CommandMap.h"

#include "richtext/Attributes.h"

namespace shell {

const std::vector<TMenuDef>& MainMenus() {
    static const std::vector<TMenuDef> menus = {
        {"mnFile", "&File"},           {"mnModifica", "&Modifica"},     {"mnCerca", "&Cerca"},
        {"mnCornice", "C&ornice libera"}, {"mnBottone", "&Bottone"},    {"mnImmagine", "&Immagine"},
        {"mnInserisci", "&Inserisci"}, {"mnTabella", "T&abella"},       {"mnFormato", "Fo&rmato"},
        {"mnIpertesto", "Iper&testo"}, {"mnPubblica", "&Pubblica"},     {"mnStrumenti", "&Strumenti"},
        {"mnAiuto", "&?"},
    };
    return menus;
}

bool IsObjectMenu(std::string_view menu) {
    return menu == "mnBottone" || menu == "mnImmagine" || menu == "mnTabella";
}

const std::vector<TCommandDef>& MainCommands() {
    static const std::vector<TCommandDef> commands = {
        {"mnFile", "actNuovoIpertesto", "&Nuovo ipertesto", "Ctrl+N"},
        {"mnFile", "actNuovoDa", "N&uovo da...", ""},
        {"mnFile", "actApri", "&Apri...", "Ctrl+F12"},
        {"mnFile", "actImportaPagine", "&Importa/apri pagine...", ""},
        {"mnFile", "actAggiungiPagina", "Aggiungi nuova pagina", ""},
        {"mnFile", "actTrovaFile", "&Trova file...", "Ctrl+F10"},
        {"mnFile", "-", "", ""},
        {"mnFile", "actSalvaTutto", "&Salva tutto", "Ctrl+S"},
        {"mnFile", "actSalvaConNome", "Salva &con nome...", ""},
        {"mnFile", "actSalvaModello", "Salva come mo&dello...", ""},
        {"mnFile", "-", "", ""},
        {"mnFile", "actEsportaPagine", "Esp&orta pagine...", "Ctrl+E"},
        {"mnFile", "-", "", ""},
        {"mnFile", "actImpostaStampante", "I&mposta stampante...", ""},
        {"mnFile", "actImpostaMargini", "Imposta mar&gini...", ""},
        {"mnFile", "actStampa", "Stam&pa...", ""},
        {"mnFile", "actStampaPagina", "Stampa pagina corrente", ""},
        {"mnFile", "actStampaTutte", "Stampa tutte", ""},
        {"mnModifica", "actUndo", "&Undo", "Alt+Backspace"},
        {"mnModifica", "actRedo", "&Redo", "Ctrl+Y"},  // the window adds Ctrl+Shift+Z
        {"mnModifica", "-", "", ""},
        {"mnModifica", "actTaglia", "&Taglia", "Shift+Del"},
        {"mnModifica", "actCopia", "&Copia", "Ctrl+Ins"},
        {"mnModifica", "actIncolla", "&Incolla", "Shift+Ins"},
        {"mnModifica", "-", "", ""},
        {"mnModifica", "actSelezionaTutto", "&Seleziona tutto", "Ctrl+F2"},
        {"mnCerca", "actCerca", "&Cerca...", "Ctrl+F"},
        {"mnCerca", "actSostituisci", "Cerca / &Sostituisci...", "Ctrl+R"},
        {"mnCerca", "actRipetiPagina", "&Ripeti ultima ricerca nella pagina", "F3"},
        {"mnCerca", "actRipetiIpertesto", "Ripeti nell'&ipertesto", "F4"},
        {"mnCerca", "actCercaParola", "Cerca per parola c&hiave...", "Ctrl+F3"},
        {"mnCerca", "actCercaOperatori", "Cerca con &operatori...", ""},
        {"mnCornice", "actProprietaCornici", "Proprietà &insieme cornici...", ""},
        {"mnCornice", "-", "", ""},
        {"mnCornice", "actSalvaCornici", "Salva &disposizione cornici...", ""},
        {"mnCornice", "actCaricaCornici", "&Carica disposizione cornici...", ""},
        {"mnBottone", "actProprietaOggetto", "&Proprietà oggetto...", ""},
        {"mnBottone", "actCollegamentoBottone", "Co&llegamento del bottone...", ""},
        {"mnBottone", "actTogliCollegamentoBottone", "&Togli collegamento del bottone", ""},
        {"mnBottone", "actEliminaOggetto", "&Elimina oggetto", ""},
        {"mnInserisci", "actSimbolo", "&Simbolo...", "Shift+F2"},
        {"mnInserisci", "actImmagine", "&Immagine/mappa...", "Ctrl+I"},
        {"mnInserisci", "actTabella", "&Tabella...", "Ctrl+T"},
        {"mnInserisci", "actAutoreferente", "Collegamento autore&ferente", "Shift+F6"},
        {"mnInserisci", "actNuovaPagina", "&Nuova pagina...", "Ctrl+Shift+N"},
        {"mnInserisci", "actAncora", "Anco&ra", "Shift+F5"},
        {"mnInserisci", "actCollegamento", "Co&llegamento...", "Ctrl+F5"},
        {"mnInserisci", "actCollegamentoSpeciale", "&Collegamento speciale...", "F5"},
        {"mnInserisci", "-", "", ""},
        {"mnInserisci", "actInsBottone", "&Bottone", ""},
        {"mnInserisci", "actInsBottoneInvio", "Bottone immissione dati", ""},
        {"mnInserisci", "actInsBottoneReset", "Bottone reset dati", ""},
        {"mnInserisci", "actInsInizioForm", "Inizio modulo", ""},
        {"mnInserisci", "actInsCasellaTesto", "Casella di testo", ""},
        {"mnInserisci", "actInsCasellaPassword", "Casella password", ""},
        {"mnInserisci", "actInsAreaTesto", "Area di testo", ""},
        {"mnInserisci", "actInsCheckBox", "Casella di controllo", ""},
        {"mnInserisci", "actInsRadio", "Bottone di scelta", ""},
        {"mnInserisci", "actInsLista", "Lista", ""},
        {"mnInserisci", "actInsCombo", "Lista a tendina", ""},
        {"mnInserisci", "actInsNascosto", "Campo nascosto", ""},
        {"mnInserisci", "actInsCommento", "Commento", ""},
        {"mnInserisci", "actInsHtml", "Html in linea", ""},
        {"mnInserisci", "actInsFinestra", "Apri/chiudi finestra", ""},
        {"mnInserisci", "actInsSuono", "Suono", ""},
        {"mnInserisci", "actInsVideo", "Video", ""},
        {"mnInserisci", "actInsPlugin", "Oggetto plug-in", ""},
        {"mnInserisci", "actInsCornice", "Cornice indipendente", ""},
        {"mnInserisci", "actComponente", "Componente &personalizzato...", ""},
        // The picture menu: the selected picture and its click zones.
        {"mnImmagine", "actProprietaImmagine", "&Proprietà immagine...", ""},
        {"mnImmagine", "actImmagine100", "100%", ""},
        {"mnImmagine", "actImmagine50", "50%", ""},
        {"mnImmagine", "actImmagineDaAppunti", "Sostituisci con l'immagine degli &appunti", ""},
        {"mnImmagine", "-", "", ""},
        {"mnImmagine", "actAggiungiZona", "Aggiungi &zona", ""},
        {"mnImmagine", "actCollegamentoZona", "Co&llegamento della zona...", ""},
        {"mnImmagine", "actCancellaZona", "&Cancella zona cliccabile", ""},
        {"mnImmagine", "actZonaPrimoPiano", "Porta in primo piano", ""},
        {"mnImmagine", "actZonaSfondo", "Porta in &sfondo", ""},
        {"mnImmagine", "actCopiaZona", "C&opia zona", ""},
        {"mnImmagine", "actIncollaZona", "&Incolla zona", ""},
        {"mnFormato", "actSegui", "Segui colle&gamento (doppio clic)...", "F9"},
        {"mnFormato", "actProprietaPagina", "&Proprietà pagina...", "Ctrl+F11"},
        {"mnIpertesto", "actSoloLettura", "Solo &lettura", "F11"},
        {"mnIpertesto", "actIndietro", "&Indietro", "Alt+Left"},
        {"mnIpertesto", "actMostraBordi", "Mostra &bordi delle tabelle", ""},
        {"mnIpertesto", "actAnteprimaAttiva", "A&vanza le slide in sola lettura", ""},
        {"mnIpertesto", "actAnteprimaAncore", "Mostra le an&core in sola lettura", ""},
        {"mnIpertesto", "-", "", ""},
        {"mnIpertesto", "actPaginaPiu", "Pagina +1", "Ctrl+="},
        {"mnIpertesto", "actPaginaMeno", "Pagina -1", "Ctrl+-"},
        {"mnIpertesto", "actPaginaPrecedente", "P&agina precedente", ""},
        {"mnIpertesto", "actPaginaSeguente", "Pagi&na seguente", ""},
        {"mnIpertesto", "actOrdinePagine", "&Ordine predefinito pagine...", ""},
        {"mnIpertesto", "-", "", ""},
        {"mnIpertesto", "actRicerche", "&Ricerche ipertestuali...", ""},
        {"mnIpertesto", "actEsplorazione", "&Esplorazione dei collegamenti...", ""},
        {"mnIpertesto", "actAlbum", "&Album immagini - files - pagine e cancellazioni...", "F12"},
        // Ctrl+F12 belongs to "Apri...": a shortcut given to two actions fires neither.
        {"mnIpertesto", "actTutteLePagine", "Tutte le pagine dell'&ipertesto...", ""},
        {"mnIpertesto", "actEliminaPagina", "&Elimina pagina", ""},
        {"mnIpertesto", "actRipristinaPagina", "Ripristina pagina &cancellata", ""},
        {"mnIpertesto", "actProprietaIpertesto", "&Proprietà dell'ipertesto corrente...", ""},
        {"mnPubblica", "actPubblicaFtp", "&Pubblica ipertesto in rete...", "Ctrl+P"},
        {"mnPubblica", "actPubblicaPaginaFtp", "Pubblica pa&gina corrente in rete...", ""},
        {"mnPubblica", "actFtpGenerico", "&FTP generico...", ""},
        {"mnPubblica", "actConfigurazioniFtp", "&Configurazioni...", ""},
        {"mnPubblica", "actNyxFtp", "Trasferisci NYX tramite FTP...", ""},
        {"mnPubblica", "-", "", ""},
        {"mnPubblica", "actPubblicaServer", "&Pubblica ipertesto in rete...", ""},
        {"mnPubblica", "actPrendiServer", "P&rendi ipertesto dalla rete...", ""},
        {"mnPubblica", "actConfigurazioneServer", "C&onfigurazione...", ""},
        {"mnPubblica", "actCambiaPassword", "Cambia pass&word..", ""},
        {"mnPubblica", "-", "", ""},
        {"mnPubblica", "actEsportaPagine2", "&Esporta pagine...", ""},
        {"mnPubblica", "actEsportaHtml", "Esporta &Html...", ""},
        {"mnPubblica", "actEsportaWinHelp", "Esporta &WinHelp...", ""},
        {"mnPubblica", "actCdRom", "&Cd-Rom...", ""},
        {"mnPubblica", "-", "", ""},
        {"mnPubblica", "actPaginaInBrowser", "&Corrente pagina in browser di default", "Ctrl+A"},
        {"mnTabella", "actAggiungiColonna", "Aggiungi &colonna", ""},
        {"mnTabella", "actAggiungiRiga", "Aggiungi &riga", ""},
        {"mnTabella", "-", "", ""},
        {"mnTabella", "actEliminaColonna", "&Elimina colonna", ""},
        {"mnTabella", "actEliminaRiga", "E&limina riga", ""},
        {"mnTabella", "-", "", ""},
        {"mnTabella", "actSelezionaTabella", "&Seleziona tabella", ""},
        {"mnTabella", "actProprietaTabella", "&Proprietà tabella...", ""},
        {"mnStrumenti", "actOrtografiaPagina", "&Controllo ortografia pagina...", "F7"},
        {"mnStrumenti", "actOrtografiaIpertesto", "Controllo ortografia &ipertesto...", "Ctrl+F7"},
        {"mnStrumenti", "-", "", ""},
        {"mnStrumenti", "actLibrerie", "Componenti &personalizzati (librerie)...", ""},
        {"mnStrumenti", "actFinestre", "&Finestre...", "Alt+0"},
        {"mnStrumenti", "actOpzioni", "&Opzioni del programma...", ""},
        {"mnAiuto", "actSuggerimenti", "&Suggerimenti...", ""},
        {"mnAiuto", "actInformazioni", "&Informazioni su Quor...", ""},
    };
    return commands;
}

const TCommandDef& ExitCommand() {
    static const TCommandDef exit{"mnFile", "actEsci", "&Esci", "Alt+X"};
    return exit;
}

const TCommandDef* FindCommand(std::string_view name) {
    if (name == ExitCommand().name) return &ExitCommand();
    for (const TCommandDef& c : MainCommands())
        if (name == c.name && name != "-") return &c;
    return nullptr;
}

const std::vector<TStyleCommandDef>& StyleCommands() {
    static const std::vector<TStyleCommandDef> styles = {
        {"actGrassetto", "G", "Grassetto", richtext::kBold},
        {"actCorsivo", "C", "Corsivo", richtext::kItalic},
        {"actSottolineato", "S", "Sottolineato", richtext::kUnderline},
    };
    return styles;
}

std::vector<std::pair<std::string, bool>> EditCommandStates(const TEditState& s) {
    const bool undo = s.editable && s.canUndo && !s.undoBusy;
    const bool redo = s.editable && s.canRedo && !s.undoBusy;
    std::vector<std::pair<std::string, bool>> out = {
        {"actUndo", undo},
        {"actRedo", redo},
        {"actTaglia", s.editable && s.selection},
        {"actCopia", s.selection},
        {"actIncolla", s.editable && s.pastable},
        {"actSelezionaTutto", true},
        {"tbUndoLista", undo},
        {"tbRedoLista", redo},
    };
    for (const TStyleCommandDef& d : StyleCommands()) out.emplace_back(d.name, s.editable);
    return out;
}

std::vector<std::pair<std::string, bool>> PageCommandStates(const TPageState& s) {
    return {
        {"actAggiungiPagina", s.editable},
        {"actNuovaPagina", s.editable},
        {"actTutteLePagine", true},
        {"actEliminaPagina", s.editable && s.pageShown},
        {"actRipristinaPagina", s.editable && s.canUndoDeletion},
        {"actIndietro", s.canGoBack},
        {"actSegui", s.pageShown},
        {"actProprietaCornici", s.editable && s.pageShown},
        {"actSalvaCornici", s.pageShown},
        {"actCaricaCornici", s.editable && s.pageShown},
    };
}

}  // namespace shell
