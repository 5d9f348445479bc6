#include "sim/TouchModel.h"

#include "codec/ByteOrder.h"
#include "device/FrameCommands.h"
#include "device/TouchPoints.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;
constexpr double kLastPosition = 1279.0; // 640 sensor pixels, in half-pixel positions
constexpr uint8_t kKeyDescriptor = 0x80;
constexpr uint8_t kReleaseFlag = 255; // the query's last byte: the tool has taken the touch
// A shadow must be at least this wide before a glint can split it.
constexpr double kSplitHalfWidth = 20.0;
constexpr double kSplitGap = 2.0;

double halfEntry(const angle_table::Table& table, size_t k)
{
    return table[k] * 0.5;
}

} // namespace

TouchScene TouchScene::standard(int width, int height)
{
    TouchScene s;
    s.width = width;
    s.height = height;
    s.left = {-41.3, -37.6, 3, 0.7};
    s.right = {width * s.xScale + 43.9, -35.2, -2, -0.4};
    s.jitterRate = 0.2;
    s.oneSidedRate = 0.002;
    s.splitDistance = 250.0;
    s.background = {{Side::Master, 1185, 3, 45, 0.7}, {Side::Slave, 75, 2, 35, 0.3}};
    return s;
}

TouchScene TouchScene::clean(int width, int height)
{
    TouchScene s = standard(width, height);
    s.jitterRate = 0.0;
    s.oneSidedRate = 0.0;
    s.splitDistance = 0.0;
    s.background.clear();
    return s;
}

TouchModel::TouchModel() : scene_(TouchScene::clean(1920, 1080)), random_(scene_.seed) {}

void TouchModel::setScene(const TouchScene& scene)
{
    scene_ = scene;
    random_.seed(scene.seed);
}

void TouchModel::setScreenSize(int width, int height)
{
    TouchScene s = TouchScene::standard(width, height);
    s.keys = scene_.keys;
    setScene(s);
}

void TouchModel::placeFinger(double x, double y)
{
    placed_ = ScreenPoint{x, y};
    touching_ = placed_;
}

void TouchModel::liftFinger()
{
    placed_.reset();
    touching_.reset();
}

void TouchModel::pressKeysInTurn(int holdReads, int gapReads)
{
    if (pressHold_ > 0)
        liftFinger();
    pressHold_ = std::max(0, holdReads);
    pressGap_ = std::max(1, gapReads);
    pressKey_ = 0;
    pressTick_ = 0;
}

std::array<uint8_t, 2> TouchModel::readKeyState(const std::array<uint8_t, 2>& fallback)
{
    if (pressHold_ > 0 && !scene_.keys.empty()) {
        const int phase = pressTick_ % (pressHold_ + pressGap_);
        if (phase == 0) {
            const PrintedKey& k = scene_.keys[pressKey_ % scene_.keys.size()];
            placeFinger((k.left + k.right) / 2, (k.top + k.bottom) / 2);
        } else if (phase == pressHold_) {
            liftFinger();
            pressKey_ = (pressKey_ + 1) % scene_.keys.size();
        }
        ++pressTick_;
    }
    return keyState(fallback);
}

std::optional<ScreenPoint> TouchModel::finger() const
{
    return touching_;
}

const CameraTruth& TouchModel::truth(Side camera) const
{
    return camera == Side::Master ? scene_.left : scene_.right;
}

const angle_table::Table& TouchModel::table() const
{
    return angle_table::forSensorType(scene_.sensorType);
}

// The sensor's lens: angle steps to table positions, the end segments extended.
double TouchModel::positionOfAngle(const CameraTruth& c, double angle) const
{
    const angle_table::Table& t = table();
    const double f = (angle - c.angleOffset) / angle_table::kStepDegrees;
    const auto k = static_cast<size_t>(std::clamp(std::floor(f), 0.0, 95.0));
    const double u =
        halfEntry(t, k) + (f - static_cast<double>(k)) * (halfEntry(t, k + 1) - halfEntry(t, k));
    return 2 * (u - c.shift);
}

double TouchModel::angleOfPosition(const CameraTruth& c, double position) const
{
    const angle_table::Table& t = table();
    const double u = position / 2 + c.shift;
    size_t k = 0;
    while (k < 95 && u > halfEntry(t, k + 1))
        ++k;
    const double f =
        static_cast<double>(k) + (u - halfEntry(t, k)) / (halfEntry(t, k + 1) - halfEntry(t, k));
    return f * angle_table::kStepDegrees + c.angleOffset;
}

// Angle from the camera's reference direction (straight down) towards the screen.
std::optional<double> TouchModel::angleTo(Side camera, const ScreenPoint& p) const
{
    const CameraTruth& c = truth(camera);
    const double dx = p.x * scene_.xScale - c.x;
    const double dy = p.y - c.y;
    if (dx == 0 && dy == 0)
        return std::nullopt;
    const double towards = std::atan2(dy, dx) * kDegrees;
    return camera == Side::Master ? 90 - towards : towards - 90;
}

std::optional<double> TouchModel::exactPosition(Side camera, const ScreenPoint& p) const
{
    const std::optional<double> angle = angleTo(camera, p);
    if (!angle)
        return std::nullopt;
    const double position = positionOfAngle(truth(camera), *angle);
    if (position < 0 || position > kLastPosition)
        return std::nullopt;
    return position;
}

std::optional<int> TouchModel::sensorPosition(Side camera, const ScreenPoint& p) const
{
    const std::optional<double> exact = exactPosition(camera, p);
    if (!exact)
        return std::nullopt;
    return static_cast<int>(std::lround(*exact));
}

std::optional<TouchModel::ReportedShadow> TouchModel::reportedShadow(Side camera,
                                                                     const ScreenPoint& p) const
{
    const std::optional<Shadow> s = fingerShadow(camera, p);
    if (!s)
        return std::nullopt;
    return ReportedShadow{static_cast<int>(std::lround(s->position)),
                          static_cast<int>(std::max(1L, std::lround(s->halfWidth)))};
}

std::optional<ScreenPoint> TouchModel::exactLocate(int leftPosition, int rightPosition) const
{
    const double a = angleOfPosition(scene_.left, leftPosition) / kDegrees;
    const double b = angleOfPosition(scene_.right, rightPosition) / kDegrees;
    // Rays from each camera: left (sin a, cos a), right (-sin b, cos b).
    const double lx = std::sin(a), ly = std::cos(a);
    const double rx = -std::sin(b), ry = std::cos(b);
    const double det = lx * (-ry) - ly * (-rx);
    if (std::fabs(det) < 1e-12)
        return std::nullopt;
    const double ex = scene_.right.x - scene_.left.x;
    const double ey = scene_.right.y - scene_.left.y;
    const double s = (ex * (-ry) - ey * (-rx)) / det;
    return ScreenPoint{(scene_.left.x + s * lx) / scene_.xScale, scene_.left.y + s * ly};
}

std::optional<TouchModel::Shadow> TouchModel::fingerShadow(Side camera, const ScreenPoint& p) const
{
    const std::optional<double> angle = angleTo(camera, p);
    const std::optional<double> centre = exactPosition(camera, p);
    if (!angle || !centre)
        return std::nullopt;
    const CameraTruth& c = truth(camera);
    const double distance = std::hypot(p.x * scene_.xScale - c.x, p.y - c.y);
    const double spread = std::asin(std::min(1.0, scene_.fingerRadius / distance)) * kDegrees;
    const double halfWidth =
        std::fabs(positionOfAngle(c, *angle + spread) - positionOfAngle(c, *angle - spread)) / 2;
    const double depth = 60 + 180 * std::exp(-distance / 900);
    return Shadow{*centre, std::max(1.0, halfWidth),
                  static_cast<uint8_t>(std::clamp(std::lround(depth), 1L, 255L))};
}

std::optional<ScreenPoint> TouchModel::aimPointOf(const uint8_t* request) const
{
    if (!(request[0] & kKeyDescriptor))
        return ScreenPoint{static_cast<double>(le::u16(request + 2)),
                           static_cast<double>(le::u16(request + 4))};
    const int side = request[0] & 0x7F;
    const int group = request[2];
    const int number = request[4];
    const int corner = request[5] % 3;
    for (const PrintedKey& k : scene_.keys) {
        if (k.side != side || k.group != group || k.number != number)
            continue;
        if (corner == 0)
            return ScreenPoint{k.left, k.top};
        if (corner == 1)
            return ScreenPoint{k.right, k.bottom};
        return side <= 2 ? ScreenPoint{k.right, k.top} : ScreenPoint{k.left, k.bottom};
    }
    return std::nullopt;
}

std::vector<uint8_t> TouchModel::answer(const uint8_t* request, int triggers)
{
    ++queries_;
    VirtualOperator::TargetKey key{};
    std::copy(request, request + key.size(), key.begin());
    const bool released = request[6] == kReleaseFlag;
    const std::optional<ScreenPoint> touch =
        operator_.step(key, aimPointOf(request), triggers, released, random_);
    touching_ = placed_ ? placed_ : touch;

    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::optional<Side> misses;
    if (touching_ && unit(random_) < scene_.oneSidedRate)
        misses = unit(random_) < 0.5 ? Side::Master : Side::Slave;

    CandidateReport report;
    for (Side camera : {Side::Master, Side::Slave}) {
        std::vector<Shadow> seen;
        if (touching_ && misses != camera) {
            if (const std::optional<Shadow> s = fingerShadow(camera, *touching_)) {
                const CameraTruth& c = truth(camera);
                const double distance =
                    std::hypot(touching_->x * scene_.xScale - c.x, touching_->y - c.y);
                if (distance < scene_.splitDistance && s->halfWidth >= kSplitHalfWidth) {
                    // A glint in the middle of a wide shadow shows it as two.
                    const double offset = (s->halfWidth + kSplitGap) / 2;
                    const double part = (s->halfWidth - kSplitGap) / 2;
                    seen.push_back({s->position - offset, part, s->depth});
                    seen.push_back({s->position + offset, part, s->depth});
                } else {
                    seen.push_back(*s);
                }
            }
        }
        for (const BackgroundShadow& b : scene_.background)
            if (b.camera == camera && unit(random_) < b.visibility)
                seen.push_back(
                    {static_cast<double>(b.position), static_cast<double>(b.halfWidth), b.depth});
        std::vector<TouchCandidate> candidates;
        for (const Shadow& s : seen) {
            long position = std::lround(s.position);
            const double jitter = unit(random_);
            if (jitter < scene_.jitterRate / 2)
                --position;
            else if (jitter < scene_.jitterRate)
                ++position;
            if (position < 0 || position > static_cast<long>(kLastPosition))
                continue;
            candidates.push_back({static_cast<uint16_t>(position),
                                  static_cast<uint16_t>(std::max(1L, std::lround(s.halfWidth))),
                                  s.depth, 0, 0});
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const TouchCandidate& a, const TouchCandidate& b) {
                      return a.position < b.position;
                  });
        const auto count = static_cast<uint8_t>(std::min<size_t>(candidates.size(), 255));
        auto& entries = camera == Side::Master ? report.left : report.right;
        for (size_t i = 0; i < entries.size() && i < candidates.size(); ++i)
            entries[i] = candidates[i];
        (camera == Side::Master ? report.leftCount : report.rightCount) = count;
    }
    std::vector<uint8_t> reply(FrameCommands::kTouchPointsReply);
    encodeCandidateReport(report, reply.data());
    return reply;
}

const PrintedKey* TouchModel::keyAt(const ScreenPoint& p) const
{
    for (const PrintedKey& k : scene_.keys)
        if (p.x >= k.left && p.x <= k.right && p.y >= k.top && p.y <= k.bottom)
            return &k;
    return nullptr;
}

int TouchModel::sideNumberOf(const PrintedKey& key) const
{
    int before = 0;
    for (const PrintedKey& k : scene_.keys)
        if (k.side == key.side &&
            (k.group < key.group || (k.group == key.group && k.number < key.number)))
            ++before;
    return before + 1;
}

std::array<uint8_t, 2> TouchModel::keyState(const std::array<uint8_t, 2>& fallback) const
{
    if (!touching_)
        return fallback;
    const PrintedKey* key = keyAt(*touching_);
    if (!key)
        return fallback;
    return {static_cast<uint8_t>(key->side), static_cast<uint8_t>(sideNumberOf(*key))};
}

} // namespace sim
