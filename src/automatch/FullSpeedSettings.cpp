#include "FullSpeedSettings.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace velkor::automatch {

namespace {

const QString kindKey = QStringLiteral("limit");

QString kindName(MoveLimit::Kind kind) {
    switch (kind) {
    case MoveLimit::Kind::Clock:
        return QStringLiteral("clock");
    case MoveLimit::Kind::TimePerMove:
        return QStringLiteral("movetime");
    case MoveLimit::Kind::Depth:
        return QStringLiteral("depth");
    case MoveLimit::Kind::Nodes:
        return QStringLiteral("nodes");
    case MoveLimit::Kind::None:
        break;
    }
    return QStringLiteral("none");
}

std::optional<MoveLimit::Kind> kindFromName(const QString& name) {
    for (const auto kind : {MoveLimit::Kind::Clock, MoveLimit::Kind::TimePerMove,
                            MoveLimit::Kind::Depth, MoveLimit::Kind::Nodes}) {
        if (kindName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

// A stored whole number within [low, high], else the fallback.
std::int64_t integer(const QJsonObject& object, const QString& key, std::int64_t fallback,
                     std::int64_t low, std::int64_t high) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble()) {
        return fallback;
    }
    const auto number = static_cast<std::int64_t>(value.toDouble());
    return number < low || number > high ? fallback : number;
}

int smallInteger(const QJsonObject& object, const QString& key, int fallback, int low, int high) {
    return static_cast<int>(integer(object, key, fallback, low, high));
}

double real(const QJsonObject& object, const QString& key, double fallback) {
    const QJsonValue value = object.value(key);
    return value.isDouble() ? value.toDouble() : fallback;
}

// The UCI options a game of the window sends the engine: the record's own values, then the
// strength limit, named as the engine spells them so that the summary finds Threads and Hash.
std::vector<std::pair<std::string, std::string>> engineOptions(const ChosenEngine& chosen) {
    const EngineConfiguration& engine = chosen.engine;
    std::vector<std::pair<std::string, std::string>> options;
    const auto set = [&options](const std::string& name, const std::string& value) {
        const auto same = std::find_if(options.begin(), options.end(), [&](const auto& option) {
            return QString::fromStdString(option.first)
                       .compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0;
        });
        if (same != options.end()) {
            same->second = value;
        } else {
            options.emplace_back(name, value);
        }
    };
    set("Threads", std::to_string(std::max<std::int64_t>(1, engine.threads)));
    if (engine.hashMB >= 1) {
        set("Hash", std::to_string(engine.hashMB));
    }
    if (engine.skillLevel < 20) {
        set("Skill Level", std::to_string(engine.skillLevel));
    }
    for (auto it = engine.optionValues.begin(); it != engine.optionValues.end(); ++it) {
        set(it.key().toStdString(), it.value().toStdString());
    }
    if (chosen.elo) {
        set("UCI_LimitStrength", "true");
        set("UCI_Elo", std::to_string(*chosen.elo));
    }
    return options;
}

} // namespace

MoveLimit FullSpeedSettings::defaultLimit() {
    MoveLimit limit;
    limit.kind = MoveLimit::Kind::Clock;
    limit.baseMs = 10'000;
    limit.incrementMs = 100;
    limit.moveTimeMs = 100;
    limit.depth = 8;
    limit.nodes = 10'000;
    return limit;
}

QJsonObject FullSpeedSettings::toJson() const {
    QJsonObject object{
        {QStringLiteral("games"), qint64(games)},
        {kindKey, kindName(limit.kind)},
        {QStringLiteral("baseMs"), qint64(limit.baseMs)},
        {QStringLiteral("incrementMs"), qint64(limit.incrementMs)},
        {QStringLiteral("moveTimeMs"), qint64(limit.moveTimeMs)},
        {QStringLiteral("depth"), limit.depth},
        {QStringLiteral("nodes"), qint64(limit.nodes)},
        {QStringLiteral("openingFile"), openingFile},
        {QStringLiteral("openingPlies"), openingPlies},
        {QStringLiteral("randomOrder"), randomOrder},
        {QStringLiteral("seed"), qint64(seed)},
        {QStringLiteral("paired"), paired},
        {QStringLiteral("finishRunningGamesOnSprt"), finishRunningGamesOnSprt},
    };
    if (concurrency) {
        object.insert(QStringLiteral("concurrency"), *concurrency);
    }
    if (const auto& draw = adjudication.draw) {
        object.insert(QStringLiteral("draw"),
                      QJsonObject{{QStringLiteral("movenumber"), draw->moveNumber},
                                  {QStringLiteral("movecount"), draw->moveCount},
                                  {QStringLiteral("score"), draw->score}});
    }
    if (const auto& resign = adjudication.resign) {
        object.insert(QStringLiteral("resign"),
                      QJsonObject{{QStringLiteral("movecount"), resign->moveCount},
                                  {QStringLiteral("score"), resign->score},
                                  {QStringLiteral("twosided"), resign->twoSided}});
    }
    if (adjudication.maxMoves) {
        object.insert(QStringLiteral("maxmoves"), *adjudication.maxMoves);
    }
    if (sprt) {
        object.insert(
            QStringLiteral("sprt"),
            QJsonObject{{QStringLiteral("elo0"), sprt->elo0},
                        {QStringLiteral("elo1"), sprt->elo1},
                        {QStringLiteral("alpha"), sprt->alpha},
                        {QStringLiteral("beta"), sprt->beta},
                        {QStringLiteral("model"), QString::fromUtf8(sprtModelName(sprt->model))}});
    }
    return object;
}

FullSpeedSettings FullSpeedSettings::fromJson(const QJsonObject& object) {
    FullSpeedSettings settings;
    constexpr std::int64_t day = 24LL * 3600 * 1000;
    settings.games = integer(object, QStringLiteral("games"), settings.games, 1, 1'000'000);
    if (object.contains(QStringLiteral("concurrency"))) {
        settings.concurrency = smallInteger(object, QStringLiteral("concurrency"), 1, 1, 256);
    }
    MoveLimit& limit = settings.limit;
    limit.kind = kindFromName(object.value(kindKey).toString()).value_or(limit.kind);
    limit.baseMs = integer(object, QStringLiteral("baseMs"), limit.baseMs, 1, day);
    limit.incrementMs = integer(object, QStringLiteral("incrementMs"), limit.incrementMs, 0, day);
    limit.moveTimeMs = integer(object, QStringLiteral("moveTimeMs"), limit.moveTimeMs, 1, day);
    limit.depth = smallInteger(object, QStringLiteral("depth"), limit.depth, 1, 200);
    limit.nodes = integer(object, QStringLiteral("nodes"), limit.nodes, 1, 1'000'000'000'000);
    settings.openingFile = object.value(QStringLiteral("openingFile")).toString();
    settings.openingPlies =
        smallInteger(object, QStringLiteral("openingPlies"), settings.openingPlies, 1, 1000);
    settings.randomOrder = object.value(QStringLiteral("randomOrder")).toBool(false);
    settings.seed = static_cast<std::uint64_t>(
        integer(object, QStringLiteral("seed"), 1, 0, std::int64_t{1} << 52));
    settings.paired = object.value(QStringLiteral("paired")).toBool(true);
    settings.finishRunningGamesOnSprt =
        object.value(QStringLiteral("finishRunningGamesOnSprt")).toBool(false);
    if (const QJsonObject draw = object.value(QStringLiteral("draw")).toObject(); !draw.isEmpty()) {
        settings.adjudication.draw =
            DrawAdjudication{smallInteger(draw, QStringLiteral("movenumber"), 40, 0, 10'000),
                             smallInteger(draw, QStringLiteral("movecount"), 8, 1, 10'000),
                             smallInteger(draw, QStringLiteral("score"), 10, 0, 100'000)};
    }
    if (const QJsonObject resign = object.value(QStringLiteral("resign")).toObject();
        !resign.isEmpty()) {
        settings.adjudication.resign =
            ResignAdjudication{smallInteger(resign, QStringLiteral("movecount"), 3, 1, 10'000),
                               smallInteger(resign, QStringLiteral("score"), 600, 1, 100'000),
                               resign.value(QStringLiteral("twosided")).toBool(false)};
    }
    if (object.contains(QStringLiteral("maxmoves"))) {
        settings.adjudication.maxMoves =
            smallInteger(object, QStringLiteral("maxmoves"), 200, 1, 100'000);
    }
    if (const QJsonObject sprt = object.value(QStringLiteral("sprt")).toObject(); !sprt.isEmpty()) {
        SprtSettings test;
        test.elo0 = real(sprt, QStringLiteral("elo0"), test.elo0);
        test.elo1 = real(sprt, QStringLiteral("elo1"), test.elo1);
        test.alpha = real(sprt, QStringLiteral("alpha"), test.alpha);
        test.beta = real(sprt, QStringLiteral("beta"), test.beta);
        test.model = sprtModelFromName(sprt.value(QStringLiteral("model")).toString().toStdString())
                         .value_or(test.model);
        if (!sprtSettingsProblem(test)) {
            settings.sprt = test;
        }
    }
    return settings;
}

std::variant<MatchConfig, QString> fullSpeedMatchConfig(const FullSpeedSettings& settings,
                                                        const std::optional<ChosenEngine>& engine1,
                                                        const std::optional<ChosenEngine>& engine2,
                                                        int cores, const QString& stateFile) {
    if (!engine1 || !engine2) {
        return QStringLiteral("Two executable UCI engines are required.");
    }
    MatchConfig config;
    const std::array<const ChosenEngine*, 2> chosen{&*engine1, &*engine2};
    for (std::size_t e = 0; e < 2; ++e) {
        const EngineConfiguration& engine = chosen[e]->engine;
        const QFileInfo executable(engine.executablePath);
        if (engine.isBuiltIn || !executable.isFile() || !executable.isExecutable()) {
            return QStringLiteral("Two executable UCI engines are required.");
        }
        EngineSetup& setup = config.engines[e];
        setup.command = executable.absoluteFilePath().toStdString();
        setup.name = engine.name.toStdString();
        setup.limit = settings.limit;
        setup.options = engineOptions(*chosen[e]);
    }
    // Two engines of one name could not be told apart in the summary or an imported PGN.
    if (config.engines[0].name == config.engines[1].name) {
        config.engines[0].name += " (1)";
        config.engines[1].name += " (2)";
    }
    config.gamesPerRound = settings.paired ? 2 : 1;
    config.rounds = static_cast<int>(std::clamp<std::int64_t>(
        (settings.games + config.gamesPerRound - 1) / config.gamesPerRound, 1, 1'000'000));
    config.concurrency = settings.concurrency.value_or(std::max(1, cores - 1));
    if (!settings.openingFile.isEmpty()) {
        if (!QFileInfo(settings.openingFile).isFile()) {
            return QStringLiteral("The opening file %1 cannot be read.").arg(settings.openingFile);
        }
        OpeningSetup openings;
        openings.file = settings.openingFile.toStdString();
        const bool pgn = settings.openingFile.endsWith(QStringLiteral(".pgn"), Qt::CaseInsensitive);
        openings.format = pgn ? OpeningSetup::Format::Pgn : OpeningSetup::Format::Epd;
        if (pgn) {
            openings.plies = settings.openingPlies;
        }
        openings.order =
            settings.randomOrder ? OpeningSetup::Order::Random : OpeningSetup::Order::Sequential;
        config.openings = openings;
        config.seed = settings.seed;
    }
    config.adjudication = settings.adjudication;
    if (settings.sprt) {
        if (const auto problem = sprtSettingsProblem(*settings.sprt)) {
            return QString::fromUtf8(problem->data(), static_cast<qsizetype>(problem->size()));
        }
        config.sprt = settings.sprt;
    }
    config.finishRunningGamesOnSprt = settings.finishRunningGamesOnSprt;
    config.recover = true;
    config.ratingInterval = 0;
    config.stateFile = stateFile.toStdString();
    return config;
}

} // namespace velkor::automatch
