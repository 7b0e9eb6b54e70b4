#pragma once

// The main window's commands on the catalog: add and remove a filter, delete a database, delete
// all databases, and the field assignment of the loaded database. They work through the host
// window (ICatalogHost) and end with a rebuild of the tree, which selects (and so loads) the node
// that follows from the command.

#include "catalog/TCSVSetup.h"

#include <functional>
#include <string>
#include <vector>

namespace artikel {

class ICatalogHost;

// The field-assignment dialog: columns of the open database, the setup and the caption
// (Windows-1252) to edit (both may change), and the file the database was imported from (a native
// path).
using TFieldAssignmentEditor = std::function<void(const std::vector<std::string>& columns, TCSVSetup& setup,
                                                  std::string& caption, const std::string& sourceFile)>;

class TCatalogCommands {
public:
    explicit TCatalogCommands(ICatalogHost& host);

    // "Als Filter hinzufügen": the find text becomes a filter of the loaded database (an
    // existing filter with that text in any letter case is reused) and is selected.
    void FNEWSUBNODEClick();
    // "Filter entfernen": removes the selected filter after a question; the filter now at its
    // place (else the first filter, else the database) is selected.
    void FDELSUBNODEClick();
    // "Datenbank löschen" (Ctrl+Delete in the tree): deletes the database of the selected node
    // with its folder after a question; its neighbour in the list is selected (the root when a
    // filter node was selected).
    void FDELECATClick();
    // "Alle Datenbanken löschen": deletes every database and basket after a question.
    void DELALLClick();
    // "Anpassen" (double click in the tree): the field assignment of the loaded database; a
    // changed caption shows in the tree at once; the node file is saved.
    void FPROPClick();

    // Until one is set, "Anpassen" does nothing.
    void SetFieldAssignmentEditor(TFieldAssignmentEditor editor) { editor_ = std::move(editor); }

private:
    // Shows that a node file could not be written (the change would be lost at the next scan).
    void ReportSaveFailure(const std::string& nodeFile);
    // With the busy cursor: rescans the catalog and rebuilds the tree selecting id.
    void Reload(const std::string& idToSelect);

    ICatalogHost& host_;
    TFieldAssignmentEditor editor_;
};

} // namespace artikel
