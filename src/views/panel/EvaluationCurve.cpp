#include "EvaluationCurve.h"

#include "platform/BundledModule.h"

namespace velkor::panel {

EvaluationCurve* makeEvaluationCurve(QWidget& parent, double verticalRangeCp,
                                     const QFont& labelFont) {
    static const auto create = platform::resolveBundledEntry<VelkorCreateEvaluationCurve>(
        QStringLiteral("velkor_chart"), "velkorCreateEvaluationCurve");
    return create ? create(&parent, verticalRangeCp, &labelFont) : nullptr;
}

double moveAxisTickInterval(double lastMove) {
    constexpr int maxTicks = 6;
    for (double magnitude = 1;; magnitude *= 10) {
        for (const double step : {1.0, 2.0, 5.0}) {
            const double interval = step * magnitude;
            if (lastMove / interval <= maxTicks - 1 || interval >= 1e9) {
                return interval;
            }
        }
    }
}

} // namespace velkor::panel
