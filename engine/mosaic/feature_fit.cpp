// Motion-model fits and the residual statistics of fitted transforms.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "core/memory.h"
#include "core/report.h"
#include "mosaic/feature_fit.h"
#include "mosaic/features.h"
#include "mosaic/numerics.h"

namespace {

// A similarity that centres a point set on its centroid and scales its mean distance from
// there to sqrt(2). The single-precision normal equations are built from these coordinates:
// raw pixel coordinates of a few thousand would make them too badly conditioned for floats
// (products like x.x' reach 1e7 beside the constant 1). For the similarity and affine models
// the least-squares solution is the same transform in either frame; for the projective one the
// frame only changes which algebraic error is minimised, and exact correspondences still give
// the generating transform.
struct Normaliser {
    double cr = 0.0, cc = 0.0, scale = 1.0;

    Normaliser(const FeatureList& list) {
        const int n = list.count;
        for (const FeaturePoint* p = list.first; p != nullptr; p = p->next) {
            cr += p->r;
            cc += p->c;
        }
        cr /= n;
        cc /= n;
        double distance = 0.0;
        for (const FeaturePoint* p = list.first; p != nullptr; p = p->next)
            distance += std::hypot(p->r - cr, p->c - cc);
        distance /= n;
        scale = distance > 0.0 ? std::sqrt(2.0) / distance : 1.0;
    }
    // Original -> normalised frame.
    Homography8 Forward() const {
        Homography8 t;
        t.h[0] = t.h[4] = scale;
        t.h[2] = -scale * cc;
        t.h[5] = -scale * cr;
        return t;
    }
    // Normalised -> original frame.
    Homography8 Backward() const {
        Homography8 t;
        t.h[0] = t.h[4] = 1.0 / scale;
        t.h[2] = cc;
        t.h[5] = cr;
        return t;
    }
};

int ParameterCount(FitKind kind) {
    switch (kind) {
    case FitKind::Similarity:
        return 4;
    case FitKind::Affine:
        return 6;
    default:
        return 8;
    }
}

// Two design rows (for x' and y') of one correspondence in normalised coordinates.
void DesignRows(FitKind kind, double x, double y, double xp, double yp, float* rx, float* ry) {
    const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    const auto fxp = static_cast<float>(xp), fyp = static_cast<float>(yp);
    switch (kind) {
    case FitKind::Similarity: {
        const float a[4] = {fx, -fy, 1.0f, 0.0f}, b[4] = {fy, fx, 0.0f, 1.0f};
        std::copy(a, a + 4, rx);
        std::copy(b, b + 4, ry);
        break;
    }
    case FitKind::Affine: {
        const float a[6] = {fx, fy, 1.0f, 0.0f, 0.0f, 0.0f},
                    b[6] = {0.0f, 0.0f, 0.0f, fx, fy, 1.0f};
        std::copy(a, a + 6, rx);
        std::copy(b, b + 6, ry);
        break;
    }
    default: {
        const float a[8] = {fx, fy, 1.0f, 0.0f, 0.0f, 0.0f, -fx * fxp, -fy * fxp};
        const float b[8] = {0.0f, 0.0f, 0.0f, fx, fy, 1.0f, -fx * fyp, -fy * fyp};
        std::copy(a, a + 8, rx);
        std::copy(b, b + 8, ry);
        break;
    }
    }
}

// The transform of fitted parameters in the normalised frames.
Homography8 FromParameters(FitKind kind, const float* a) {
    Homography8 H;
    switch (kind) {
    case FitKind::Similarity:
        H.h[0] = a[0];
        H.h[1] = -a[1];
        H.h[2] = a[2];
        H.h[3] = a[1];
        H.h[4] = a[0];
        H.h[5] = a[3];
        break;
    case FitKind::Affine:
        for (int i = 0; i < 6; ++i) H.h[i] = a[i];
        break;
    default:
        for (int i = 0; i < 8; ++i) H.h[i] = a[i];
        break;
    }
    return H;
}

bool FitTranslation(const MatchList* matches, Homography8* H) {
    double sr = 0.0, sc = 0.0;
    const FeaturePoint* q = matches->second.first;
    for (const FeaturePoint* p = matches->first.first; p != nullptr && q != nullptr;
         p = p->next, q = q->next) {
        sr += q->r - p->r;
        sc += q->c - p->c;
    }
    const int n = matches->first.count;
    *H = Homography8::Translation(sr / n, sc / n);
    return true;
}

// Distances from H(first point) to the second point, or false (reported) when the array cannot
// be allocated. Its memory goes through the engine allocator like every working array here.
struct Residuals {
    double* values = nullptr;
    int count = 0;
    ~Residuals() { NFree(values); }
};

bool ComputeResiduals(const MatchList* matches, const Homography8& H, Residuals* out) {
    const int n = matches != nullptr ? std::min(matches->first.count, matches->second.count) : 0;
    out->count = n;
    if (n == 0) return true;
    out->values = NMallocArray<double>(static_cast<std::size_t>(n));
    if (out->values == nullptr) {
        NError("Malloc Error at VerifyPlanar\n");
        return false;
    }
    const FeaturePoint* p = matches->first.first;
    const FeaturePoint* q = matches->second.first;
    for (int k = 0; k < n; ++k, p = p->next, q = q->next) {
        double r = 0.0, c = 0.0;
        if (H.Apply(p->r, p->c, &r, &c))
            out->values[k] = std::hypot(r - q->r, c - q->c);
        else
            out->values[k] = HUGE_VAL; // the point maps to infinity
    }
    return true;
}

double Mean(const Residuals& residuals) {
    double sum = 0.0;
    for (int k = 0; k < residuals.count; ++k) sum += residuals.values[k];
    return residuals.count > 0 ? sum / residuals.count : 0.0;
}

constexpr const char* kResidualHeader = "ID:diff(r, c)-(r',c')\n";

} // namespace

namespace {

bool FitLinear(FitKind kind, const MatchList* matches, Homography8* H);

} // namespace

bool FitMatches(FitKind kind, const MatchList* matches, Homography8* H) {
    if (matches == nullptr || matches->first.count <= 0 ||
        matches->first.count != matches->second.count)
        return false;
    if (kind == FitKind::Translation) return FitTranslation(matches, H);
    try {
        return FitLinear(kind, matches, H);
    } catch (const std::bad_alloc&) {
        return false; // the work arrays of a huge list: H stays as it was
    }
}

namespace {

// The similarity, affine or projective least-squares fit through NMulfit.
bool FitLinear(FitKind kind, const MatchList* matches, Homography8* H) {
    const Normaliser n1(matches->first), n2(matches->second);
    const int ma = ParameterCount(kind);
    const int ndata = 2 * matches->first.count;
    std::vector<float> design(static_cast<std::size_t>(ndata) * ma),
        y(static_cast<std::size_t>(ndata));
    std::vector<float*> rows(static_cast<std::size_t>(ndata));
    std::vector<float> sig(static_cast<std::size_t>(ndata), 1.0f);
    for (int i = 0; i < ndata; ++i)
        rows[static_cast<std::size_t>(i)] = design.data() + static_cast<std::size_t>(i) * ma;
    const FeaturePoint* q = matches->second.first;
    int i = 0;
    for (const FeaturePoint* p = matches->first.first; p != nullptr; p = p->next, q = q->next) {
        const double x = n1.scale * (p->c - n1.cc), yy = n1.scale * (p->r - n1.cr);
        const double xp = n2.scale * (q->c - n2.cc), yp = n2.scale * (q->r - n2.cr);
        DesignRows(kind, x, yy, xp, yp, rows[static_cast<std::size_t>(i)],
                   rows[static_cast<std::size_t>(i + 1)]);
        y[static_cast<std::size_t>(i)] = static_cast<float>(xp);
        y[static_cast<std::size_t>(i + 1)] = static_cast<float>(yp);
        i += 2;
    }
    float a[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const int ia[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    std::vector<float> covarValues(static_cast<std::size_t>(ma) * ma);
    std::vector<float*> covar(static_cast<std::size_t>(ma));
    for (int k = 0; k < ma; ++k)
        covar[static_cast<std::size_t>(k)] = covarValues.data() + static_cast<std::size_t>(k) * ma;
    float chisq = 0.0f;
    if (!NMulfit(rows.data(), y.data(), sig.data(), ndata, a, ia, ma, covar.data(), &chisq))
        return false;

    // Back to pixel coordinates: H = N2^-1 . H~ . N1.
    Homography8 fitted = FromParameters(kind, a), result;
    if (!ComposeHomography(fitted, n1.Forward(), &result)) return false;
    if (!ComposeHomography(n2.Backward(), result, &result)) return false;
    *H = result;
    return true;
}

} // namespace

void FitModel(MotionModel model, const MatchList* matches, Homography8* H) {
    FitMatches(PairFitKind(model), matches, H);
}

double MeanResidual(const MatchList* matches, const Homography8& H) {
    NPrintf("%s", kResidualHeader);
    Residuals residuals;
    if (!ComputeResiduals(matches, H, &residuals)) return -1.0;
    return Mean(residuals);
}

double ResidualReport(const MatchList* matches, const Homography8& H) {
    NPrintf("%s", kResidualHeader);
    Residuals residuals;
    if (!ComputeResiduals(matches, H, &residuals)) return -1.0;
    const int n = residuals.count;
    double sum = 0.0, max = 0.0;
    const FeaturePoint* p = n > 0 ? matches->first.first : nullptr;
    const FeaturePoint* q = n > 0 ? matches->second.first : nullptr;
    for (int k = 0; k < n; ++k, p = p->next, q = q->next) {
        const double d = residuals.values[k];
        NPrintf("%d:%.1lf (%.1lf,%.1lf)-(%.1lf,%.1lf)\n", k + 1, d, p->r, p->c, q->r, q->c);
        sum += d;
        max = std::max(max, d);
    }
    const double mean = n > 0 ? sum / n : 0.0;
    double variance = 0.0;
    for (int k = 0; k < n; ++k)
        variance += (residuals.values[k] - mean) * (residuals.values[k] - mean);
    if (n > 0) variance /= n;
    std::sort(residuals.values, residuals.values + n);
    const double median = n > 0 ? residuals.values[n / 2] : 0.0;
    NPrintf("Sum:%.1lf\n", sum);
    NPrintf("Max:%.1lf\n", max);
    NPrintf("Mean:%.1fl\n", mean);
    NPrintf("Variance:%.1fl\n", variance);
    NPrintf("Median:%.1lf\n", median);
    return median;
}

bool VerifyPlanar(const MatchList* matches, const Homography8& H, double limit) {
    Residuals residuals;
    if (!ComputeResiduals(matches, H, &residuals)) return false;
    // A fit without matches has nothing to vouch for it.
    if (residuals.count == 0) return false;
    return Mean(residuals) < limit;
}
