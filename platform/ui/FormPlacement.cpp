#include "platform/ui/FormPlacement.h"

#include "platform/Win1252.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MainForm.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QVariant>
#include <QWidget>

#include <charconv>
#include <utility>
#include <vector>

namespace artikel {

namespace {

int g_targetMonitor = -1;

std::function<TMonitorLayout()>& Provider()
{
    static std::function<TMonitorLayout()> provider;
    return provider;
}

std::string KeyPrefix(QWidget* form, const std::string& prefix)
{
    return prefix.empty() ? ToAnsi(form->objectName()) : prefix;
}

// A whole decimal integer (optional sign), nothing else.
bool ParseWholeInt(std::string_view text, int& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Comma form: items separated by commas; an item with blanks, commas or quotes is quoted.
std::string JoinCommaText(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty())
            out += ',';
        bool quote = item.empty();
        for (unsigned char c : item)
            quote = quote || c <= ' ' || c == ',' || c == '"';
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> SplitCommaText(std::string_view text)
{
    std::vector<std::string> items;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
        if (i >= text.size())
            break;
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            while (i < text.size() && text[i] != ',')
                ++i;
        } else {
            while (i < text.size() && text[i] != ',')
                item += text[i++];
            while (!item.empty() && static_cast<unsigned char>(item.back()) <= ' ')
                item.pop_back();
        }
        items.push_back(std::move(item));
        if (i < text.size() && text[i] == ',')
            ++i;
    }
    return items;
}

// The pane of a splitter whose size is stored: the first one unless the splitter names another
// with the dynamic property "placementPane".
int SizedPane(const QSplitter* splitter)
{
    const QVariant p = splitter->property("placementPane");
    const int pane = p.isValid() ? p.toInt() : 0;
    return std::clamp(pane, 0, splitter->count() - 1);
}

bool Horizontal(const QSplitter* s) { return s->orientation() == Qt::Horizontal; }

std::vector<QSplitter*> NamedSplitters(QWidget* form)
{
    std::vector<QSplitter*> out;
    const auto all = form->findChildren<QSplitter*>();
    for (QSplitter* s : all)
        if (!s->objectName().isEmpty() && s->count() >= 2)
            out.push_back(s);
    return out;
}

void ApplyPaneSize(QSplitter* splitter, int value)
{
    const int pane = SizedPane(splitter);
    QWidget* w = splitter->widget(pane);
    const int minimum = Horizontal(splitter) ? w->minimumWidth() : w->minimumHeight();
    const int extent = Horizontal(splitter) ? splitter->width() : splitter->height();
    const int size = ClampSplitterSize(value, minimum, extent);
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int s : sizes)
        total += s;
    if (total <= 0)
        return;
    const int neighbour = pane + 1 < sizes.size() ? pane + 1 : pane - 1;
    sizes[neighbour] = std::max(0, sizes[neighbour] + sizes[pane] - size);
    sizes[pane] = size;
    splitter->setSizes(sizes);
}

// Applies the splitter text once the window is shown, when its panes have their real extents.
class TDeferredSplitters : public QObject {
public:
    TDeferredSplitters(QWidget* form, std::string text)
        : QObject(form),
          form_(form),
          text_(std::move(text))
    {
        form->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == form_ && event->type() == QEvent::Show) {
            form_->removeEventFilter(this);
            ApplySplitterPlacementText(form_, text_);
            deleteLater();
        }
        return false;
    }

private:
    QWidget* form_;
    std::string text_;
};

TMonitorLayout RealMonitorLayout()
{
    TMonitorLayout layout;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (int i = 0; i < screens.size(); ++i) {
        layout.workAreas.push_back(screens[i]->availableGeometry());
        if (screens[i] == primary)
            layout.primary = i;
    }
    return layout;
}

QRect VisibleFrame(const QWidget* w, const QWidget* except)
{
    return (w && w != except && w->isVisible()) ? w->frameGeometry() : QRect();
}

} // namespace

void SetTargetMonitor(int index) { g_targetMonitor = index; }

int TargetMonitor() { return g_targetMonitor; }

TMonitorLayout CurrentMonitorLayout() { return Provider() ? Provider()() : RealMonitorLayout(); }

void SetMonitorLayoutProvider(std::function<TMonitorLayout()> provider) { Provider() = std::move(provider); }

void PlaceOnMonitor(QWidget* form, bool force)
{
    if (!form || (!force && form->windowFlags().testFlag(Qt::FramelessWindowHint)))
        return;
    const TMonitorLayout layout = CurrentMonitorLayout();
    if (layout.Count() == 0)
        return;
    const int chosen = ChoosePlacementMonitor(layout, g_targetMonitor, VisibleFrame(QApplication::activeWindow(), form),
                                              VisibleFrame(MainForm(), form));
    const QRect frame = form->frameGeometry();
    const QRect& area = layout.workAreas[static_cast<std::size_t>(chosen)];
    const QRect placed = form->property("placementCentred").toBool() ? CentreInWorkArea(frame.size(), area)
                                                                     : PlaceOnWorkArea(frame, layout, chosen);
    if (placed.topLeft() == frame.topLeft())
        return;
    const bool lock = form->isVisible() && form->updatesEnabled();
    if (lock)
        form->setUpdatesEnabled(false);
    form->move(placed.topLeft());
    if (lock)
        form->setUpdatesEnabled(true);
}

int ReadFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix, int addDefault, int mode)
{
    const std::string p = KeyPrefix(form, prefix);
    const TMonitorLayout layout = CurrentMonitorLayout();
    const QRect area = layout.Count() ? layout.workAreas[static_cast<std::size_t>(layout.Primary())] : QRect();

    const int width = ApplySizeConstraints(ReadUserModeInteger(p + ".Width", form->width(), folder),
                                           form->minimumWidth(), form->maximumWidth());
    const int height = ApplySizeConstraints(ReadUserModeInteger(p + ".Height", form->height(), folder),
                                            form->minimumHeight(), form->maximumHeight());
    const QPoint def = DefaultPlacementPosition(mode, QSize(width, height), area);
    form->resize(width, height);
    if (mode != 4)
        form->move(ReadUserModeInteger(p + ".Left", def.x(), folder), ReadUserModeInteger(p + ".Top", def.y(), folder));
    const int add0 = ReadUserModeInteger(p + ".Add0", addDefault, folder);
    PlaceOnMonitor(form, false);
    return add0;
}

int RestoreFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix, bool lockRedraw)
{
    if (prefix.empty())
        return ReadFormPlacement(form, folder, prefix, -1, 0);
    const TMonitorLayout layout = CurrentMonitorLayout();
    const int monitor =
        ValidStoredMonitor(ReadUserModeInteger(prefix + ".MontorNum", layout.Primary(), folder), layout.Count());
    int add0;
    if (layout.Valid(monitor)) {
        // The stored position is relative to this monitor: applied as absolute, PlaceOnMonitor
        // shifts it from the monitor it then lies on to this one.
        const int previous = g_targetMonitor;
        g_targetMonitor = monitor;
        add0 = ReadFormPlacement(form, folder, prefix, -1, 0);
        g_targetMonitor = previous;
    } else {
        add0 = ReadFormPlacement(form, folder, prefix, -1, 0);
    }

    const std::string splitters = ReadUserModeString(prefix + ".Splitters", "", folder);
    if (!splitters.empty()) {
        if (form->isVisible()) {
            const bool lock = lockRedraw && form->updatesEnabled();
            if (lock)
                form->setUpdatesEnabled(false);
            ApplySplitterPlacementText(form, splitters);
            if (lock)
                form->setUpdatesEnabled(true);
        } else {
            new TDeferredSplitters(form, splitters);
        }
    }
    return add0;
}

void WriteFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix, int add0, int mode)
{
    const std::string p = KeyPrefix(form, prefix);
    const TMonitorLayout layout = CurrentMonitorLayout();
    const bool maximised = form->isMaximized();
    const QSize size = StoredWindowSize(form->size(), maximised, kSystemEdge);
    const QRect frame = form->frameGeometry();
    QPoint position;
    if (mode == 1)
        position = RelativeWindowPosition(frame.topLeft() + QPoint(50, 50), frame, layout);
    else if (maximised)
        position = QPoint(0, 0);
    else
        position = RelativeWindowPosition(frame.topLeft(), frame, layout);
    WriteUserModeInteger(p + ".Width", size.width(), folder);
    WriteUserModeInteger(p + ".Height", size.height(), folder);
    WriteUserModeInteger(p + ".Left", position.x(), folder);
    WriteUserModeInteger(p + ".Top", position.y(), folder);
    if (add0 != -1)
        WriteUserModeInteger(p + ".Add0", add0, folder);
}

void SaveFormPlacement(QWidget* form, const std::string& folder, const std::string& prefix)
{
    const std::string p = KeyPrefix(form, prefix);
    const int monitor = FirstMonitorMostlyOn(form->frameGeometry(), CurrentMonitorLayout());
    WriteUserModeInteger(p + ".MontorNum", monitor < 0 ? 0 : monitor, folder);
    WriteFormPlacement(form, folder, p, -1, 0);
    WriteUserModeString(p + ".Splitters", SplitterPlacementText(form), folder);
}

std::string SplitterPlacementText(QWidget* form)
{
    std::vector<std::string> pairs;
    for (QSplitter* s : NamedSplitters(form)) {
        const QList<int> sizes = s->sizes();
        pairs.push_back(ToAnsi(s->objectName()) + '=' + std::to_string(sizes.value(SizedPane(s))));
    }
    return JoinCommaText(pairs);
}

void ApplySplitterPlacementText(QWidget* form, const std::string& text)
{
    const std::vector<std::string> items = SplitCommaText(text);
    for (QSplitter* s : NamedSplitters(form)) {
        const std::string name = ToAnsi(s->objectName());
        for (const std::string& item : items) {
            const std::size_t eq = item.find('=');
            if (eq == std::string::npos || !SameTextNoCase(std::string_view(item).substr(0, eq), name))
                continue;
            int value = 0;
            if (ParseWholeInt(std::string_view(item).substr(eq + 1), value))
                ApplyPaneSize(s, value);
            break;
        }
    }
}

} // namespace artikel
