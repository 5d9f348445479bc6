#include "transport/ReportRecording.h"

#include "device/Delay.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace report_recording {

namespace {

QString hexOf(const std::vector<uint8_t>& bytes)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<qsizetype>(bytes.size()))
                                   .toHex());
}

} // namespace

QByteArray encodeLine(double timeMs, const Entry& e)
{
    QJsonObject o;
    o.insert(QStringLiteral("t"), qRound64(timeMs * 1000) / 1000.0);
    o.insert(QStringLiteral("op"), e.op);
    if (e.op == QLatin1String("probe"))
        o.insert(QStringLiteral("result"), e.result);
    else
        o.insert(QStringLiteral("ok"), e.ok);
    if (e.op == QLatin1String("open") || e.op == QLatin1String("probe"))
        o.insert(QStringLiteral("product"), QString::number(e.product, 16));
    if (!e.report.empty())
        o.insert(QStringLiteral("report"), hexOf(e.report));
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool decodeLine(const QByteArray& line, Entry& e)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    e = Entry{};
    e.op = o.value(QStringLiteral("op")).toString();
    static const QStringList ops = {QStringLiteral("open"), QStringLiteral("probe"),
                                    QStringLiteral("set"),  QStringLiteral("get"),
                                    QStringLiteral("key"),  QStringLiteral("close")};
    if (!ops.contains(e.op))
        return false;
    e.ok = o.value(QStringLiteral("ok")).toBool(true);
    e.result = o.value(QStringLiteral("result")).toInt(HidTransport::kProbeNotAFrame);
    bool productOk = true;
    e.product = static_cast<uint16_t>(
        o.value(QStringLiteral("product")).toString(QStringLiteral("0")).toUInt(&productOk, 16));
    const QByteArray hex = o.value(QStringLiteral("report")).toString().toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (!productOk || bytes.size() * 2 != hex.size() || bytes.size() > HidTransport::kReportSize)
        return false;
    e.report.assign(bytes.begin(), bytes.end());
    return true;
}

} // namespace report_recording

using report_recording::Entry;

// --- Recording ----------------------------------------------------------------------

RecordingTransport::RecordingTransport(std::unique_ptr<HidTransport> inner, const QString& path,
                                       bool& ok)
    : inner_(std::move(inner)), start_(delay::nowMs())
{
    file_ = std::fopen(QFile::encodeName(path).constData(), "w");
    ok = file_ != nullptr;
}

RecordingTransport::~RecordingTransport()
{
    if (file_)
        std::fclose(file_);
}

void RecordingTransport::write(const Entry& entry)
{
    std::lock_guard lock(mutex_);
    if (!file_)
        return;
    const QByteArray line = report_recording::encodeLine(delay::nowMs() - start_, entry);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), file_);
    std::fflush(file_);
}

int RecordingTransport::open(uint16_t& productId)
{
    const int ok = inner_->open(productId);
    write({QStringLiteral("open"), ok == 1, 0, productId, {}});
    return ok;
}

int RecordingTransport::probe(uint16_t& productId)
{
    const int result = inner_->probe(productId);
    write({QStringLiteral("probe"), true, result, productId, {}});
    return result;
}

int RecordingTransport::getFeature64(uint8_t* report)
{
    const int ok = inner_->getFeature64(report);
    Entry e{QStringLiteral("get"), ok == 1, 0, 0, {}};
    if (ok)
        e.report.assign(report, report + kReportSize);
    write(e);
    return ok;
}

int RecordingTransport::setFeature64(const uint8_t* report)
{
    const int ok = inner_->setFeature64(report);
    write({QStringLiteral("set"), ok == 1, 0, 0, {report, report + kReportSize}});
    return ok;
}

int RecordingTransport::getFeature3(uint8_t reportId, uint8_t* report)
{
    const int ok = inner_->getFeature3(reportId, report);
    Entry e{QStringLiteral("key"), ok == 1, 0, 0, {}};
    if (ok)
        e.report.assign(report, report + kKeyReportSize);
    write(e);
    return ok;
}

int RecordingTransport::close()
{
    write({QStringLiteral("close"), true, 0, 0, {}});
    return inner_->close();
}

// --- Replay -------------------------------------------------------------------------

std::unique_ptr<ReplayTransport> ReplayTransport::load(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the recording %1").arg(path);
        return nullptr;
    }
    std::vector<Entry> entries;
    for (int line = 1; !file.atEnd(); ++line) {
        const QByteArray text = file.readLine().trimmed();
        if (text.isEmpty())
            continue;
        Entry e;
        if (!report_recording::decodeLine(text, e)) {
            error = QStringLiteral("%1:%2: not a line of a frame recording").arg(path).arg(line);
            return nullptr;
        }
        entries.push_back(std::move(e));
    }
    return std::unique_ptr<ReplayTransport>(new ReplayTransport(std::move(entries)));
}

ReplayTransport::ReplayTransport(std::vector<Entry> entries) : entries_(std::move(entries)) {}

const Entry* ReplayTransport::next(const QString& op, const uint8_t* sent, size_t length)
{
    if (departed_)
        return nullptr;
    if (position_ < entries_.size()) {
        const Entry& e = entries_[position_];
        const bool sameReport =
            !sent || (e.report.size() == length && std::memcmp(e.report.data(), sent, length) == 0);
        if (e.op == op && sameReport) {
            ++position_;
            return &e;
        }
    }
    departed_ = true;
    mismatch_ = position_ < entries_.size()
                    ? QStringLiteral("call %1: the tool asked for \"%2\" where the recording has "
                                     "\"%3\"%4")
                          .arg(position_ + 1)
                          .arg(op, entries_[position_].op,
                               sent ? QStringLiteral(" (or another report)") : QString())
                    : QStringLiteral("call %1: the recording has ended").arg(position_ + 1);
    return nullptr;
}

int ReplayTransport::open(uint16_t& productId)
{
    std::lock_guard lock(mutex_);
    const Entry* e = next(QStringLiteral("open"));
    productId = e ? e->product : 0x00FF;
    open_ = e && e->ok;
    return open_ ? 1 : 0;
}

int ReplayTransport::probe(uint16_t& productId)
{
    std::lock_guard lock(mutex_);
    // A watcher probes as often as its timing makes it: a probe the recording does not
    // have at this place answers like the last one it has.
    if (!departed_ && position_ < entries_.size() &&
        entries_[position_].op == QLatin1String("probe")) {
        productId = entries_[position_].product;
        return entries_[position_++].result;
    }
    for (size_t i = position_; i-- > 0;) {
        if (entries_[i].op == QLatin1String("probe") || entries_[i].op == QLatin1String("open")) {
            productId = entries_[i].product;
            return entries_[i].op == QLatin1String("open")
                       ? (entries_[i].ok ? kProbeFrame : kProbeNotAFrame)
                       : entries_[i].result;
        }
    }
    return kProbeNotAFrame;
}

int ReplayTransport::getFeature64(uint8_t* report)
{
    std::lock_guard lock(mutex_);
    const Entry* e = next(QStringLiteral("get"));
    if (!e || !e->ok || e->report.size() != static_cast<size_t>(kReportSize))
        return 0;
    std::memcpy(report, e->report.data(), kReportSize);
    return 1;
}

int ReplayTransport::setFeature64(const uint8_t* report)
{
    std::lock_guard lock(mutex_);
    const Entry* e = next(QStringLiteral("set"), report, kReportSize);
    return e && e->ok ? 1 : 0;
}

int ReplayTransport::getFeature3(uint8_t reportId, uint8_t* report)
{
    std::lock_guard lock(mutex_);
    const Entry* e = next(QStringLiteral("key"));
    if (!e || !e->ok || e->report.size() != static_cast<size_t>(kKeyReportSize))
        return 0;
    std::memcpy(report, e->report.data(), kKeyReportSize);
    report[0] = reportId;
    return 1;
}

int ReplayTransport::close()
{
    std::lock_guard lock(mutex_);
    if (!departed_ && position_ < entries_.size() &&
        entries_[position_].op == QLatin1String("close"))
        ++position_;
    open_ = false;
    return 1;
}

QString ReplayTransport::mismatch() const
{
    std::lock_guard lock(mutex_);
    return mismatch_;
}

size_t ReplayTransport::played() const
{
    std::lock_guard lock(mutex_);
    return position_;
}
