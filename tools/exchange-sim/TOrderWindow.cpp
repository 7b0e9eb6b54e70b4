#include "tools/exchange-sim/TOrderWindow.h"

#include "platform/Win1252.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace artikel {

namespace {

QString Text(const TJSON& obj, const char* key) { return QString::fromUtf8(Win1252ToUtf8(JsonText(obj, key))); }

} // namespace

TOrderWindow::TOrderWindow(const std::string& serverName, const std::string& orderText, QWidget* parent)
    : QWidget(parent)
{
    QString title = QStringLiteral("ANGEBOT");
    QString id;
    QString address;
    try {
        const TJSON doc = ReadJson(orderText);
        if (const TJSON* orders = JsonFind(doc, "Order"); orders && orders->is_array() && !orders->empty()) {
            const TJSON& order = (*orders)[0];
            if (!JsonText(order, "PrintName").empty())
                title = Text(order, "PrintName");
            id = Text(order, "ID");
            if (const TJSON* a = JsonFind(order, "Adress"); a && a->is_array() && !a->empty())
                address = Text((*a)[0], "AdressSmart").replace(QChar(0x00AC), QStringLiteral(", "));
        }
    } catch (const std::exception&) {
    }
    setWindowTitle(QStringLiteral("Ledgix - %1 %2 [%3]").arg(title, id, QString::fromUtf8(serverName)));

    auto* layout = new QVBoxLayout(this);
    address_ = new QLabel(address.isEmpty() ? QStringLiteral("(kein Auftrag)") : address, this);
    QFont bold = address_->font();
    bold.setBold(true);
    address_->setFont(bold);
    layout->addWidget(address_);

    table_ = new QTableWidget(0, 7, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Nr."), QStringLiteral("Bezeichnung"),
                                       QStringLiteral("Artikelnummer"), QStringLiteral("Menge"),
                                       QStringLiteral("Einheit"), QStringLiteral("Preis"), QStringLiteral("Langtext")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(table_);

    status_ = new QLabel(QStringLiteral("Wartet auf Positionen von Artikelblick ..."), this);
    layout->addWidget(status_);
    resize(760, 360);
}

void TOrderWindow::AddDocument(const TJSON& document)
{
    ++documents_;
    int added = 0;
    if (const TJSON* orders = JsonFind(document, "Order"); orders && orders->is_array()) {
        for (const TJSON& order : *orders) {
            const TJSON* parts = JsonFind(order, "Parts");
            if (!parts || !parts->is_array())
                continue;
            for (const TJSON& part : *parts) {
                const int row = table_->rowCount();
                table_->insertRow(row);
                const QString cells[] = {QString::number(row + 1),
                                         Text(part, "Description1"),
                                         Text(part, "Number"),
                                         Text(part, "Quantity"),
                                         Text(part, "Unit"),
                                         Text(part, "Price"),
                                         Text(part, "LongText").replace(QStringLiteral("\r\n"), QStringLiteral(" "))};
                for (int col = 0; col < 7; ++col)
                    table_->setItem(row, col, new QTableWidgetItem(cells[col]));
                ++added;
            }
        }
    }
    table_->resizeColumnsToContents();
    table_->scrollToBottom();
    status_->setText(QStringLiteral("Dokument %1 empfangen: %2 Position(en), insgesamt %3.")
                         .arg(documents_)
                         .arg(added)
                         .arg(table_->rowCount()));
}

void TOrderWindow::NoteRequest(const QString& command)
{
    ++requests_;
    if (command != QStringLiteral("OUTDATA"))
        status_->setText(QStringLiteral("Anfrage %1: %2").arg(requests_).arg(command));
}

} // namespace artikel
