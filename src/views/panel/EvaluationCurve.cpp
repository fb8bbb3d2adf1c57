#include "EvaluationCurve.h"

#include "platform/BundledModule.h"

namespace velkor::panel {

EvaluationCurve* makeEvaluationCurve(QWidget& parent, double verticalRangeCp,
                                     const QFont& labelFont) {
    static const auto create = platform::resolveBundledEntry<VelkorCreateEvaluationCurve>(
        QStringLiteral("velkor_chart"), "velkorCreateEvaluationCurve");
    return create ? create(&parent, verticalRangeCp, &labelFont) : nullptr;
}

} // namespace velkor::panel
