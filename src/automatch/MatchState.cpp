#include "MatchState.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QString>
#include <cmath>

namespace velkor::automatch {

namespace {

constexpr int formatVersion = 1;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// Counts and limits are written as decimal strings: JSON numbers are doubles, which lose
// 64-bit seeds and node counts.
QString number(std::int64_t value) {
    return QString::number(value);
}
QString number(std::uint64_t value) {
    return QString::number(value);
}

struct ReadError {
    std::string line;
};

[[noreturn]] void fail(const std::string& what) {
    throw ReadError{what};
}

std::int64_t readInt(const QJsonObject& object, const char* key, std::int64_t minimum = 0) {
    const QJsonValue value = object.value(QLatin1String(key));
    bool ok = false;
    const qlonglong parsed = value.toString().toLongLong(&ok);
    if (!value.isString() || !ok || parsed < minimum) {
        fail(std::string(key) + " is missing or not a whole number of at least " +
             std::to_string(minimum));
    }
    return parsed;
}

std::string readText(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString()) {
        fail(std::string(key) + " is missing");
    }
    return value.toString().toStdString();
}

double readDouble(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        fail(std::string(key) + " is missing or not a number");
    }
    return value.toDouble();
}

QJsonObject engineJson(const EngineSetup& engine) {
    QJsonObject limit{{"kind", static_cast<int>(engine.limit.kind)},
                      {"movesPerPeriod", engine.limit.movesPerPeriod},
                      {"baseMs", number(engine.limit.baseMs)},
                      {"incrementMs", number(engine.limit.incrementMs)},
                      {"moveTimeMs", number(engine.limit.moveTimeMs)},
                      {"depth", engine.limit.depth},
                      {"nodes", number(engine.limit.nodes)}};
    QJsonArray options;
    for (const auto& [name, value] : engine.options) {
        options.append(QJsonArray{text(name), text(value)});
    }
    return QJsonObject{{"command", text(engine.command)},
                       {"name", text(engine.name)},
                       {"limit", limit},
                       {"options", options},
                       {"timeMarginMs", number(engine.timeMarginMs)}};
}

EngineSetup engineFrom(const QJsonObject& object) {
    EngineSetup engine;
    engine.command = readText(object, "command");
    engine.name = readText(object, "name");
    if (engine.command.empty() || engine.name.empty()) {
        fail("an engine has no command or name");
    }
    const QJsonObject limit = object.value("limit").toObject();
    const int kind = limit.value("kind").toInt(-1);
    if (kind < static_cast<int>(MoveLimit::Kind::Clock) ||
        kind > static_cast<int>(MoveLimit::Kind::Nodes)) {
        fail("an engine has no move limit");
    }
    engine.limit.kind = static_cast<MoveLimit::Kind>(kind);
    engine.limit.movesPerPeriod = limit.value("movesPerPeriod").toInt();
    engine.limit.baseMs = readInt(limit, "baseMs");
    engine.limit.incrementMs = readInt(limit, "incrementMs");
    engine.limit.moveTimeMs = readInt(limit, "moveTimeMs");
    engine.limit.depth = limit.value("depth").toInt();
    engine.limit.nodes = readInt(limit, "nodes");
    for (const QJsonValue& option : object.value("options").toArray()) {
        const QJsonArray pair = option.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString()) {
            fail("an engine option is not a name and a value");
        }
        engine.options.emplace_back(pair[0].toString().toStdString(),
                                    pair[1].toString().toStdString());
    }
    engine.timeMarginMs = readInt(object, "timeMarginMs");
    return engine;
}

QJsonObject configJson(const MatchConfig& config) {
    QJsonObject object{
        {"engines", QJsonArray{engineJson(config.engines[0]), engineJson(config.engines[1])}},
        {"rounds", config.rounds},
        {"gamesPerRound", config.gamesPerRound},
        {"concurrency", config.concurrency},
        {"recover", config.recover},
        {"finishRunningGamesOnSprt", config.finishRunningGamesOnSprt},
        {"ratingInterval", config.ratingInterval},
        {"stateFile", text(config.stateFile)}};
    if (config.openings) {
        const OpeningSetup& openings = *config.openings;
        QJsonObject o{
            {"file", text(openings.file)},
            {"format", openings.format == OpeningSetup::Format::Epd ? "epd" : "pgn"},
            {"order", openings.order == OpeningSetup::Order::Random ? "random" : "sequential"},
            {"start", openings.start}};
        if (openings.plies) {
            o.insert("plies", *openings.plies);
        }
        object.insert("openings", o);
    }
    if (config.sprt) {
        object.insert("sprt",
                      QJsonObject{{"elo0", config.sprt->elo0},
                                  {"elo1", config.sprt->elo1},
                                  {"alpha", config.sprt->alpha},
                                  {"beta", config.sprt->beta},
                                  {"model", text(std::string(sprtModelName(config.sprt->model)))}});
    }
    const AdjudicationSettings& adjudication = config.adjudication;
    if (adjudication.draw) {
        object.insert("draw", QJsonObject{{"movenumber", adjudication.draw->moveNumber},
                                          {"movecount", adjudication.draw->moveCount},
                                          {"score", adjudication.draw->score}});
    }
    if (adjudication.resign) {
        object.insert("resign", QJsonObject{{"movecount", adjudication.resign->moveCount},
                                            {"score", adjudication.resign->score},
                                            {"twosided", adjudication.resign->twoSided}});
    }
    if (adjudication.maxMoves) {
        object.insert("maxmoves", *adjudication.maxMoves);
    }
    if (config.pgnFile) {
        object.insert("pgnout", text(*config.pgnFile));
    }
    if (config.reportPentanomial) {
        object.insert("penta", *config.reportPentanomial);
    }
    return object;
}

int intIn(const QJsonObject& object, const char* key, int minimum) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble() || value.toDouble() != std::floor(value.toDouble()) ||
        value.toDouble() < minimum || value.toDouble() > 1e9) {
        fail(std::string(key) + " is missing or not a whole number of at least " +
             std::to_string(minimum));
    }
    return value.toInt();
}

MatchConfig configFrom(const QJsonObject& object) {
    MatchConfig config;
    const QJsonArray engines = object.value("engines").toArray();
    if (engines.size() != 2) {
        fail("the match does not have two engines");
    }
    config.engines[0] = engineFrom(engines[0].toObject());
    config.engines[1] = engineFrom(engines[1].toObject());
    config.rounds = intIn(object, "rounds", 1);
    config.gamesPerRound = intIn(object, "gamesPerRound", 1);
    if (config.gamesPerRound > 2) {
        fail("gamesPerRound is more than 2");
    }
    config.concurrency = intIn(object, "concurrency", 1);
    config.recover = object.value("recover").toBool();
    // Runs saved before the choice existed abandoned their running games.
    config.finishRunningGamesOnSprt = object.value("finishRunningGamesOnSprt").toBool(false);
    config.ratingInterval = intIn(object, "ratingInterval", 0);
    config.stateFile = readText(object, "stateFile");
    if (object.contains("openings")) {
        const QJsonObject o = object.value("openings").toObject();
        OpeningSetup openings;
        openings.file = readText(o, "file");
        openings.format = o.value("format").toString() == "pgn" ? OpeningSetup::Format::Pgn
                                                                : OpeningSetup::Format::Epd;
        openings.order = o.value("order").toString() == "random" ? OpeningSetup::Order::Random
                                                                 : OpeningSetup::Order::Sequential;
        openings.start = intIn(o, "start", 1);
        if (o.contains("plies")) {
            openings.plies = intIn(o, "plies", 1);
        }
        config.openings = openings;
    }
    if (object.contains("sprt")) {
        const QJsonObject s = object.value("sprt").toObject();
        SprtSettings settings;
        settings.elo0 = readDouble(s, "elo0");
        settings.elo1 = readDouble(s, "elo1");
        settings.alpha = readDouble(s, "alpha");
        settings.beta = readDouble(s, "beta");
        const auto model = sprtModelFromName(readText(s, "model"));
        if (!model) {
            fail("the SPRT model is unknown");
        }
        settings.model = *model;
        if (const auto problem = sprtSettingsProblem(settings)) {
            fail("SPRT: " + std::string(*problem));
        }
        config.sprt = settings;
    }
    if (object.contains("draw")) {
        const QJsonObject d = object.value("draw").toObject();
        config.adjudication.draw = DrawAdjudication{intIn(d, "movenumber", 0),
                                                    intIn(d, "movecount", 1), intIn(d, "score", 0)};
    }
    if (object.contains("resign")) {
        const QJsonObject r = object.value("resign").toObject();
        config.adjudication.resign = ResignAdjudication{
            intIn(r, "movecount", 1), intIn(r, "score", 0), r.value("twosided").toBool()};
    }
    if (object.contains("maxmoves")) {
        config.adjudication.maxMoves = intIn(object, "maxmoves", 1);
    }
    if (object.contains("pgnout")) {
        config.pgnFile = readText(object, "pgnout");
    }
    if (object.contains("penta")) {
        config.reportPentanomial = object.value("penta").toBool();
    }
    return config;
}

GameScore scoreFrom(const QString& name) {
    if (name == "W") {
        return GameScore::Win;
    }
    if (name == "L") {
        return GameScore::Loss;
    }
    if (name == "D") {
        return GameScore::Draw;
    }
    fail("a finished game has no result");
}

QString scoreName(GameScore score) {
    switch (score) {
    case GameScore::Win:
        return "W";
    case GameScore::Loss:
        return "L";
    case GameScore::Draw:
        break;
    }
    return "D";
}

} // namespace

std::string savedMatchJson(const MatchConfig& config, const MatchProgress& progress) {
    const PairCounts& pairs = progress.counts.pairs;
    QJsonObject ahead;
    for (const auto& [index, score] : progress.finishedAhead) {
        ahead.insert(number(index), scoreName(score));
    }
    const QJsonObject progressJson{
        {"wins", number(progress.counts.wins)},
        {"losses", number(progress.counts.losses)},
        {"draws", number(progress.counts.draws)},
        {"pairs", QJsonArray{number(pairs.lossLoss), number(pairs.lossDraw), number(pairs.winLoss),
                             number(pairs.drawDraw), number(pairs.winDraw), number(pairs.winWin)}},
        {"countedGames", number(progress.countedGames)},
        {"finishedAhead", ahead},
        {"seed", number(progress.seed)}};
    const QJsonObject root{
        {"version", formatVersion}, {"config", configJson(config)}, {"progress", progressJson}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::variant<SavedMatch, std::string> savedMatchFromJson(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return "not a saved match (" + error.errorString().toStdString() + ")";
    }
    const QJsonObject root = document.object();
    if (root.value("version").toInt() != formatVersion) {
        return std::string("a saved match of an unknown version");
    }
    try {
        SavedMatch saved;
        saved.config = configFrom(root.value("config").toObject());
        const QJsonObject p = root.value("progress").toObject();
        MatchProgress& progress = saved.progress;
        progress.counts.wins = readInt(p, "wins");
        progress.counts.losses = readInt(p, "losses");
        progress.counts.draws = readInt(p, "draws");
        const QJsonArray pairs = p.value("pairs").toArray();
        if (pairs.size() != 6) {
            fail("the pair counts are incomplete");
        }
        std::array<std::int64_t, 6> pairCounts{};
        for (qsizetype i = 0; i < 6; ++i) {
            bool ok = false;
            pairCounts[static_cast<std::size_t>(i)] = pairs[i].toString().toLongLong(&ok);
            if (!ok || pairCounts[static_cast<std::size_t>(i)] < 0) {
                fail("a pair count is not a whole number");
            }
        }
        PairCounts& pc = progress.counts.pairs;
        pc.lossLoss = pairCounts[0];
        pc.lossDraw = pairCounts[1];
        pc.winLoss = pairCounts[2];
        pc.drawDraw = pairCounts[3];
        pc.winDraw = pairCounts[4];
        pc.winWin = pairCounts[5];
        progress.countedGames = readInt(p, "countedGames");
        const std::int64_t total =
            static_cast<std::int64_t>(saved.config.rounds) * saved.config.gamesPerRound;
        // Counts that disagree with the number of counted games would resume a different
        // match than the one saved.
        if (progress.counts.games() != progress.countedGames || progress.countedGames > total ||
            (saved.config.gamesPerRound == 2 && pc.total() * 2 != progress.countedGames)) {
            fail("the counts do not add up to the counted games");
        }
        const QJsonObject ahead = p.value("finishedAhead").toObject();
        for (auto it = ahead.begin(); it != ahead.end(); ++it) {
            bool ok = false;
            const qlonglong index = it.key().toLongLong(&ok);
            if (!ok || index < progress.countedGames || index >= total) {
                fail("a finished game lies outside the match");
            }
            progress.finishedAhead[index] = scoreFrom(it.value().toString());
        }
        bool seedOk = false;
        progress.seed = p.value("seed").toString().toULongLong(&seedOk);
        if (!seedOk) {
            fail("the seed is missing");
        }
        return saved;
    } catch (const ReadError& readError) {
        return readError.line;
    }
}

bool saveMatchState(const std::string& path, const MatchConfig& config,
                    const MatchProgress& progress) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const std::string json = savedMatchJson(config, progress);
    if (file.write(json.data(), static_cast<qint64>(json.size())) !=
        static_cast<qint64>(json.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace velkor::automatch
