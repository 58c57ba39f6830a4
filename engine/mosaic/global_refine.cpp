#include "mosaic/global_refine.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include <Eigen/Dense>
#include <unsupported/Eigen/NonLinearOptimization>
#include <unsupported/Eigen/NumericalDiff>

#include "mosaic/focal_estimate.h"

namespace {

using Matrix3 = Eigen::Matrix3d;
using Vector3 = Eigen::Vector3d;

// The pairs of a mosaic of `count` views: one for every neighbour (k - 1, k), in order, and at
// most one closing pair. False when a neighbour is missing or has fewer than `minimum` points.
bool Complete(const std::vector<PairPoints>& pairs, int count, std::size_t minimum) {
    std::vector<char> seen(static_cast<std::size_t>(std::max(count, 1)), 0);
    for (const PairPoints& p : pairs) {
        if (p.a.size() != p.b.size() || p.from < 0 || p.to < 0 || p.from >= count || p.to >= count)
            return false;
        if (p.closing) continue;
        if (p.to != p.from + 1 || p.a.size() < minimum) return false;
        seen[static_cast<std::size_t>(p.to)] = 1;
    }
    for (int k = 1; k < count; ++k)
        if (seen[static_cast<std::size_t>(k)] == 0) return false;
    return true;
}

Homography8 FromMatrix(const Matrix3& m) {
    Homography8 H;
    for (int i = 0; i < 8; ++i) H.h[i] = m(i / 3, i % 3) / m(2, 2);
    return H;
}

Matrix3 ToMatrix(const Homography8& H) {
    Matrix3 m;
    m << H.h[0], H.h[1], H.h[2], H.h[3], H.h[4], H.h[5], H.h[6], H.h[7], 1.0;
    return m;
}

// Writes the pairwise transforms (view k -> view k + 1) and their inverses; the closing pair's
// transform (last -> first) when given.
bool StorePairwise(MosaicContext& context, const std::vector<Matrix3>& pairwise,
                   const Matrix3* closing) {
    auto& records = context.records;
    for (const Matrix3& m : pairwise)
        if (!m.allFinite() || m(2, 2) == 0.0 || std::abs(m.determinant()) < 1e-12) return false;
    if (closing != nullptr && (!closing->allFinite() || (*closing)(2, 2) == 0.0)) return false;
    for (std::size_t k = 0; k < pairwise.size(); ++k) {
        records[k].pairwise = FromMatrix(pairwise[k]);
        // Inverted as every other pairwise transform of the engine is.
        Homography8 inverse;
        records[k + 1].prev_inverse = InvertHomography(records[k].pairwise, &inverse)
                                          ? inverse
                                          : FromMatrix(pairwise[k].inverse());
    }
    if (closing != nullptr) records.back().pairwise = FromMatrix(*closing);
    return true;
}

// ----- flat models -----

// Parameters of view k: translation (tx, ty), or similarity (a, b, tx, ty) with
// x' = a x - b y + tx, y' = b x + a y + ty. View 0 is fixed at the identity; the turn of a
// closed sequence is a translation (wx, wy) after the last view's parameters.
struct FlatLayout {
    bool similarity = false;
    int count = 0;
    int per = 2;
    int Index(int view) const { return (view - 1) * per; }
    int Unknowns(bool closed) const { return (count - 1) * per + (closed ? 2 : 0); }
};

// Adds the coefficients of +A_view(p) (sign +1) or -A_view(p) (sign -1) to one row pair of
// the system; view 0's fixed identity goes to the right-hand side.
void AddView(const FlatLayout& layout, int view, double sign, const PairPoints::Point& p,
             Eigen::MatrixXd& M, Eigen::VectorXd& rhs, int row) {
    if (view == 0) {
        rhs(row) -= sign * p.x;
        rhs(row + 1) -= sign * p.y;
        return;
    }
    const int i = layout.Index(view);
    if (!layout.similarity) {
        rhs(row) -= sign * p.x;
        rhs(row + 1) -= sign * p.y;
        M(row, i) += sign;
        M(row + 1, i + 1) += sign;
        return;
    }
    M(row, i) += sign * p.x;
    M(row, i + 1) += -sign * p.y;
    M(row, i + 2) += sign;
    M(row + 1, i) += sign * p.y;
    M(row + 1, i + 1) += sign * p.x;
    M(row + 1, i + 3) += sign;
}

Matrix3 FlatMatrix(const FlatLayout& layout, const Eigen::VectorXd& x, int view) {
    Matrix3 m = Matrix3::Identity();
    if (view == 0) return m;
    const int i = layout.Index(view);
    if (!layout.similarity) {
        m(0, 2) = x(i);
        m(1, 2) = x(i + 1);
        return m;
    }
    m << x(i), -x(i + 1), x(i + 2), x(i + 1), x(i), x(i + 3), 0.0, 0.0, 1.0;
    return m;
}

// ----- rotations and one focal length -----

// Rotation of view k (k >= 1): exp([w_k]) R0_k, with w_k at parameters 3 (k - 1) .. 3 k - 1;
// the focal length is F0 times the last parameter.
struct RotationProblem {
    using Scalar = double;
    using InputType = Eigen::VectorXd;
    using ValueType = Eigen::VectorXd;
    using JacobianType = Eigen::MatrixXd;
    enum { InputsAtCompileTime = Eigen::Dynamic, ValuesAtCompileTime = Eigen::Dynamic };

    const std::vector<PairPoints>* pairs = nullptr;
    std::vector<Matrix3> start; // R0 of every view
    double F0 = 1.0;
    double cx = 0.0, cy = 0.0;
    int count = 0;
    int residuals = 0;
    std::vector<double> weight; // of every match, in order: 1 used, 0 left out

    int inputs() const { return 3 * (count - 1) + 1; }
    int values() const { return residuals; }

    Matrix3 Rotation(const Eigen::VectorXd& x, int view) const {
        if (view == 0) return start[0];
        const Vector3 w = x.segment<3>(3 * (view - 1));
        const double angle = w.norm();
        const Matrix3 turn = angle > 0.0 ? Eigen::AngleAxisd(angle, w / angle).toRotationMatrix()
                                         : Matrix3::Identity();
        return turn * start[static_cast<std::size_t>(view)];
    }

    // Where point p of a view with rotation `from` lands in a view with rotation `to`;
    // false behind the camera.
    bool Transfer(const Matrix3& relative, double F, const PairPoints::Point& p, double* x,
                  double* y) const {
        const Vector3 v = relative * Vector3(p.x - cx, p.y - cy, F);
        if (!(v.z() > 1e-9)) return false;
        *x = F * v.x() / v.z() + cx;
        *y = F * v.y() / v.z() + cy;
        return true;
    }

    int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& fvec) const {
        const double F = F0 * x(x.size() - 1);
        std::vector<Matrix3> R(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) R[static_cast<std::size_t>(k)] = Rotation(x, k);
        int row = 0;
        std::size_t match = 0;
        constexpr double kBehind = 1e3; // a point that leaves the view's front
        for (const PairPoints& pair : *pairs) {
            const Matrix3& Ra = R[static_cast<std::size_t>(pair.from)];
            const Matrix3& Rb = R[static_cast<std::size_t>(pair.to)];
            const Matrix3 ab = Rb * Ra.transpose(), ba = ab.transpose();
            for (std::size_t n = 0; n < pair.a.size(); ++n) {
                double u = 0.0, v = 0.0;
                if (Transfer(ab, F, pair.a[n], &u, &v)) {
                    fvec(row) = u - pair.b[n].x;
                    fvec(row + 1) = v - pair.b[n].y;
                } else {
                    fvec(row) = fvec(row + 1) = kBehind;
                }
                if (Transfer(ba, F, pair.b[n], &u, &v)) {
                    fvec(row + 2) = u - pair.a[n].x;
                    fvec(row + 3) = v - pair.a[n].y;
                } else {
                    fvec(row + 2) = fvec(row + 3) = kBehind;
                }
                fvec.segment<4>(row) *= weight[match++];
                row += 4;
            }
        }
        return 0;
    }
};

// The rotation nearest to a matrix (its orthogonal polar factor), or false when it has none.
bool NearestRotation(const Matrix3& m, Matrix3* R) {
    if (!m.allFinite()) return false;
    const Eigen::JacobiSVD<Matrix3> svd(m, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Matrix3 r = svd.matrixU() * svd.matrixV().transpose();
    if (r.determinant() < 0.0) {
        Matrix3 flip = Matrix3::Identity();
        flip(2, 2) = -1.0;
        r = svd.matrixU() * flip * svd.matrixV().transpose();
    }
    *R = r;
    return true;
}

// Root mean square of the transfer errors of the points through the given pairwise transforms
// (view k -> k + 1), over the points whose weight is not 0.
double PairwiseRms(const std::vector<PairPoints>& pairs, const std::vector<Matrix3>& pairwise,
                   const std::vector<double>& weight) {
    double sum = 0.0;
    std::size_t n = 0, match = 0;
    for (const PairPoints& pair : pairs) {
        for (std::size_t k = 0; k < pair.a.size(); ++k) {
            if (weight[match++] == 0.0 || pair.closing) continue;
            const Vector3 v = pairwise[static_cast<std::size_t>(pair.from)] *
                              Vector3(pair.a[k].x, pair.a[k].y, 1.0);
            const double dx = v.x() / v.z() - pair.b[k].x, dy = v.y() / v.z() - pair.b[k].y;
            sum += dx * dx + dy * dy;
            ++n;
        }
    }
    return n > 0 ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

} // namespace

void KeepPairPoints(const MatchList* matches, int from, int to, bool closing,
                    std::vector<PairPoints>* pairs) {
    if (matches == nullptr || pairs == nullptr) return;
    PairPoints pair;
    pair.from = from;
    pair.to = to;
    pair.closing = closing;
    const FeaturePoint* p = matches->first.first;
    const FeaturePoint* q = matches->second.first;
    for (; p != nullptr && q != nullptr; p = p->next, q = q->next) {
        pair.a.push_back({p->c, p->r});
        pair.b.push_back({q->c, q->r});
    }
    if (!pair.a.empty()) pairs->push_back(std::move(pair));
}

bool RefineFlat(MosaicContext& context, const std::vector<PairPoints>& pairs, bool similarity) {
    const int count = static_cast<int>(context.records.size());
    if (count < 2 || !Complete(pairs, count, similarity ? 2 : 1)) return false;
    const bool closed =
        std::any_of(pairs.begin(), pairs.end(), [](const PairPoints& p) { return p.closing; });
    FlatLayout layout;
    layout.similarity = similarity;
    layout.count = count;
    layout.per = similarity ? 4 : 2;
    std::size_t points = 0;
    for (const PairPoints& p : pairs) points += p.a.size();
    const int unknowns = layout.Unknowns(closed);
    const auto rows = static_cast<Eigen::Index>(2 * points);
    Eigen::MatrixXd M = Eigen::MatrixXd::Zero(rows, unknowns);
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(rows);
    int row = 0;
    const int turn = (count - 1) * layout.per;
    for (const PairPoints& pair : pairs) {
        for (std::size_t k = 0; k < pair.a.size(); ++k, row += 2) {
            // A_from(a) - A_to(b) (- turn for the closing pair) = 0.
            AddView(layout, pair.from, 1.0, pair.a[k], M, rhs, row);
            AddView(layout, pair.to, -1.0, pair.b[k], M, rhs, row);
            if (pair.closing) {
                M(row, turn) = -1.0;
                M(row + 1, turn + 1) = -1.0;
            }
        }
    }
    // Least squares, then again without the matches that lie far off the solution (a point
    // tracked to the wrong place would otherwise pull its whole pair): off by more than three
    // robust standard deviations of their pair's residuals, and by more than a pixel. At least
    // half of every pair's matches stay.
    Eigen::VectorXd weight = Eigen::VectorXd::Ones(rows);
    Eigen::VectorXd x;
    for (int round = 0; round < 3; ++round) {
        const Eigen::MatrixXd W = weight.asDiagonal() * M;
        const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(W);
        if (qr.rank() < unknowns) return false;
        x = qr.solve(weight.asDiagonal() * rhs);
        if (!x.allFinite()) return false;
        const Eigen::VectorXd residual = M * x - rhs;
        bool changed = false;
        std::size_t first = 0; // of the pair's points in the system
        for (const PairPoints& pair : pairs) {
            const std::size_t n = pair.a.size();
            std::vector<double> distances(n);
            for (std::size_t k = 0; k < n; ++k) {
                const auto i = static_cast<Eigen::Index>(2 * (first + k));
                distances[k] = std::hypot(residual(i), residual(i + 1));
            }
            std::vector<double> sorted = distances;
            std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(n / 2),
                             sorted.end());
            const double limit = std::max(1.0, 3.0 * 1.4826 * sorted[n / 2]);
            for (std::size_t k = 0; k < n; ++k) {
                const auto i = static_cast<Eigen::Index>(2 * (first + k));
                const double w = distances[k] > limit ? 0.0 : 1.0;
                changed = changed || w != weight(i);
                weight(i) = weight(i + 1) = w;
            }
            first += n;
        }
        if (!changed) break;
    }
    // Rounded to 2^-20 (about a millionth of a pixel): a layout of whole pixels stays whole
    // against the solver's rounding noise, which the canvas's floors and ceilings would see.
    for (Eigen::Index i = 0; i < x.size(); ++i)
        x(i) = std::ldexp(std::round(std::ldexp(x(i), 20)), -20);
    std::vector<Matrix3> views(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) views[static_cast<std::size_t>(k)] = FlatMatrix(layout, x, k);
    std::vector<Matrix3> pairwise;
    for (int k = 0; k + 1 < count; ++k)
        pairwise.push_back(views[static_cast<std::size_t>(k) + 1].inverse() *
                           views[static_cast<std::size_t>(k)]);
    if (!closed) return StorePairwise(context, pairwise, nullptr);
    // Last -> first: the last view's placement less one turn, seen from the first view.
    Matrix3 back = Matrix3::Identity();
    back(0, 2) = -x(turn);
    back(1, 2) = -x(turn + 1);
    const Matrix3 closing = views[0].inverse() * back * views.back();
    return StorePairwise(context, pairwise, &closing);
}

bool RefinePlane(MosaicContext& context, const std::vector<PairPoints>& pairs, double* focal) {
    const int count = static_cast<int>(context.records.size());
    if (count < 2 || !Complete(pairs, count, 4)) return false;
    const double cx = (context.columns - 1) / 2.0, cy = (context.rows - 1) / 2.0;
    const Matrix3 toCentre = (Matrix3() << 1, 0, -cx, 0, 1, -cy, 0, 0, 1).finished();
    const Matrix3 fromCentre = toCentre.inverse();
    // Start: the focal length the pairwise transforms imply (their median), and the rotations
    // chained from them.
    std::vector<Matrix3> before;
    std::vector<double> focals;
    const int extent = std::max(context.rows, context.columns);
    for (int k = 0; k + 1 < count; ++k) {
        before.push_back(ToMatrix(context.records[static_cast<std::size_t>(k)].pairwise));
        const Matrix3 centred = toCentre * before.back() * fromCentre;
        const Homography8 H = FromMatrix(centred);
        const FocalParts parts = FocalFromHomography(H.h, extent);
        if (parts.f > 0.0 && std::isfinite(parts.f)) focals.push_back(parts.f);
    }
    // Pairs that show too little perspective imply no focal length; then the start is the
    // focal length of a 35 mm frame's diagonal-free standard lens, the larger side.
    double F0 = extent;
    if (!focals.empty()) {
        std::nth_element(focals.begin(), focals.begin() + static_cast<long>(focals.size() / 2),
                         focals.end());
        F0 = focals[focals.size() / 2];
    }
    RotationProblem problem;
    problem.pairs = &pairs;
    problem.F0 = F0;
    problem.cx = cx;
    problem.cy = cy;
    problem.count = count;
    const Matrix3 K = (Matrix3() << F0, 0, 0, 0, F0, 0, 0, 0, 1).finished();
    problem.start.assign(static_cast<std::size_t>(count), Matrix3::Identity());
    for (int k = 1; k < count; ++k) {
        const Matrix3 centred = toCentre * before[static_cast<std::size_t>(k) - 1] * fromCentre;
        Matrix3 relative;
        if (!NearestRotation(K.inverse() * centred * K, &relative)) return false;
        problem.start[static_cast<std::size_t>(k)] =
            relative * problem.start[static_cast<std::size_t>(k) - 1];
    }
    std::size_t points = 0;
    for (const PairPoints& p : pairs) points += p.a.size();
    problem.residuals = static_cast<int>(4 * points);
    problem.weight.assign(points, 1.0);
    Eigen::VectorXd x = Eigen::VectorXd::Zero(problem.inputs());
    x(x.size() - 1) = 1.0;
    // Adjusted on all matches, then again without those that lie far off the adjusted views
    // (more than three robust standard deviations and more than a pixel and a half).
    for (int round = 0; round < 2; ++round) {
        Eigen::NumericalDiff<RotationProblem> numeric(problem);
        Eigen::LevenbergMarquardt<Eigen::NumericalDiff<RotationProblem>> solver(numeric);
        solver.parameters.maxfev = 100 * (problem.inputs() + 1);
        solver.minimize(x);
        if (round == 1 || !x.allFinite()) break;
        Eigen::VectorXd residual(problem.residuals);
        problem(x, residual);
        std::vector<double> distances(points);
        for (std::size_t n = 0; n < points; ++n)
            distances[n] = residual.segment<4>(static_cast<Eigen::Index>(4 * n)).norm() / 2.0;
        std::vector<double> sorted = distances;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(points / 2),
                         sorted.end());
        const double limit = std::max(1.5, 3.0 * 1.4826 * sorted[points / 2]);
        for (std::size_t n = 0; n < points; ++n)
            problem.weight[n] = distances[n] > limit ? 0.0 : 1.0;
    }
    if (!x.allFinite() || !(x(x.size() - 1) > 0.0)) return false;
    const double F = F0 * x(x.size() - 1);
    const Matrix3 KF = (Matrix3() << F, 0, 0, 0, F, 0, 0, 0, 1).finished();
    std::vector<Matrix3> pairwise;
    for (int k = 0; k + 1 < count; ++k) {
        const Matrix3 relative = problem.Rotation(x, k + 1) * problem.Rotation(x, k).transpose();
        pairwise.push_back(fromCentre * KF * relative * KF.inverse() * toCentre);
    }
    // The joint model has far fewer parameters than the independent pairwise fits and so
    // leaves a little more error on their own points (the ones it kept); one that leaves
    // more than half a pixel more has not converged, or the views were not taken by a camera
    // turning about its centre with the principal point in the middle, and is not used.
    const double joint = PairwiseRms(pairs, pairwise, problem.weight),
                 separate = PairwiseRms(pairs, before, problem.weight);
    if (joint > separate + 0.5) return false;
    if (!StorePairwise(context, pairwise, nullptr)) return false;
    if (focal != nullptr) *focal = F;
    return true;
}

double ClosureFocal(const std::vector<PairPoints>& pairs, double estimate) {
    if (!(estimate > 0.0) || !std::isfinite(estimate)) return 0.0;
    bool closing = false;
    for (const PairPoints& p : pairs) closing = closing || p.closing;
    if (!closing || pairs.size() < 2) return 0.0;
    // The turn of a pair: the mean difference of the points' horizontal angles about the
    // vertical axis; the sum over all pairs less one full turn.
    const auto excess = [&](double F) {
        double total = 0.0;
        for (const PairPoints& pair : pairs) {
            if (pair.a.empty()) continue;
            double sum = 0.0;
            for (std::size_t k = 0; k < pair.a.size(); ++k)
                sum += std::atan2(pair.a[k].x, F) - std::atan2(pair.b[k].x, F);
            total += sum / static_cast<double>(pair.a.size());
        }
        return std::abs(total) - 2.0 * std::numbers::pi;
    };
    // The sign change nearest to the estimate on a logarithmic grid, then bisection.
    constexpr int kSteps = 200;
    const double lo = estimate / 5.0, ratio = std::pow(25.0, 1.0 / kSteps);
    double bestLo = 0.0, bestHi = 0.0, bestDistance = HUGE_VAL;
    double previous = lo, previousExcess = excess(lo);
    for (int i = 1; i <= kSteps; ++i) {
        const double F = lo * std::pow(ratio, i), e = excess(F);
        if (std::isfinite(e) && std::isfinite(previousExcess) &&
            (previousExcess > 0.0) != (e > 0.0)) {
            const double distance = std::abs(std::log(F / estimate));
            if (distance < bestDistance) {
                bestDistance = distance;
                bestLo = previous;
                bestHi = F;
            }
        }
        previous = F;
        previousExcess = e;
    }
    if (!(bestHi > 0.0)) return 0.0;
    const bool loPositive = excess(bestLo) > 0.0;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (bestLo + bestHi);
        if ((excess(mid) > 0.0) == loPositive)
            bestLo = mid;
        else
            bestHi = mid;
    }
    return 0.5 * (bestLo + bestHi);
}
