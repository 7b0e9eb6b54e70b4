#pragma once

// The simulator's window: looks like an order of the office application and lists the positions
// it received.

#include "platform/TJsonDocument.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace artikel {

class TOrderWindow : public QWidget {
    Q_OBJECT
public:
    // orderText: the order the simulator hands out (its caption and address are shown).
    explicit TOrderWindow(const std::string& serverName, const std::string& orderText, QWidget* parent = nullptr);

    void AddDocument(const TJSON& document);
    void NoteRequest(const QString& command);
    QTableWidget* Table() const { return table_; }

private:
    QLabel* address_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    int documents_ = 0;
    int requests_ = 0;
};

} // namespace artikel
