#!/usr/bin/env python3
"""Plays the games of the PGN round-trip corpus (tests/chess/pgn/corpus.pgn).

Stockfish and Toga II play each other at low depth or short move times from varied openings and
endgame positions, now and then with a random move thrown in, so the games end in every way a
game can: mate, stalemate, repetition, the fifty-move rule, insufficient material, and unfinished.
velkor-chess judges every move (SAN, end, claimable draw), so the corpus is written with Velkor's
own notation. Some games carry comments and glyphs as annotating programs write them.

    tools/make-pgn-corpus.py build/bin/velkor-chess tests/chess/pgn/corpus.pgn [games] [seed]

Needs /usr/games/stockfish and /usr/games/toga2; no network.
"""

import random
import subprocess
import sys

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"

# Openings as UCI moves from the start position.
OPENINGS = [
    "", "e2e4 e7e5 g1f3 b8c6 f1b5", "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6",
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6", "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6",
    "c2c4 e7e5 b1c3 g8f6 g2g3", "e2e4 e7e6 d2d4 d7d5 e4e5 c7c5", "e2e4 c7c6 d2d4 d7d5 b1c3 d5e4",
    "g1f3 d7d5 g2g3 g8f6 f1g2", "e2e4 d7d5 e4d5 d8d5 b1c3 d5a5", "f2f4 d7d5 g1f3 g8f6",
    "e2e4 e7e5 f2f4 e5f4 g1f3", "d2d4 f7f5 g2g3 g8f6 f1g2", "b2b3 e7e5 c1b2 b8c6",
    "e2e4 g7g6 d2d4 f8g7 b1c3 d7d6 c1e3", "d2d4 d7d5 c1f4 g8f6 e2e3", "e2e4 b8c6 d2d4 d7d5",
    "e2e4 e7e5 g1f3 g8f6 f3e5 d7d6 e5f3 f6e4", "d2d4 g8f6 c2c4 e7e6 g1f3 b7b6 g2g3",
    "e2e4 c7c5 b1c3 b8c6 g2g3 g7g6 f1g2 f8g7", "e2e4 d7d6 d2d4 g8f6 b1c3 g7g6 f2f4",
    "e2e4 e7e5 d2d4 e5d4 d1d4 b8c6 d4e3", "a2a3 e7e5 e2e4 g8f6", "h2h4 d7d5 g2g4",
    # Quick en passant chances.
    "e2e4 a7a6 e4e5 d7d5", "d2d4 h7h6 d4d5 e7e5", "e2e4 g8f6 e4e5 d7d5",
]

# Endings that tend to finish in one particular way, and castling both sides.
POSITIONS = [
    "8/8/8/4k3/8/8/8/4K2Q w - - 0 1",          # queen against king: mate (or stalemate)
    "8/8/8/3k4/8/8/8/R3K3 w Q - 0 1",          # rook against king
    "7k/8/6KP/8/8/8/8/8 w - - 0 1",            # rook pawn: stalemate or insufficient material
    "8/8/8/8/8/5k2/7p/7K b - - 0 1",           # stalemate traps
    "k7/8/1K6/8/8/8/8/6Q1 w - - 0 60",          # queen near a cornered king
    "8/8/3k4/8/8/3K4/3P4/8 w - - 0 1",         # king and pawn: promotion or a dead draw
    "8/1P6/8/8/8/6k1/8/2K5 w - - 0 1",         # promotion at once
    "8/8/4k3/8/2n5/8/3K4/5B2 w - - 0 1",       # minor pieces: insufficient material
    "8/8/3k4/3r4/8/3R4/3K4/8 w - - 0 1",       # rooks: trades or fifty moves
    "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1",        # castling both sides
    "r3k2r/pppq1ppp/2npbn2/4p3/4P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - 0 1",    # back-rank mates
    "8/8/8/8/5q2/8/2K5/k7 b - - 0 70",          # queen against king, late move numbers
    "8/5k2/8/8/8/8/1Q6/6K1 w - - 40 90",        # fifty-move counter already high
    "4k3/8/8/8/8/8/4B3/4KN2 w - - 0 1",        # bishop and knight
    "8/8/8/8/8/2k5/2p5/2K5 w - - 0 1",          # a pawn in front of its king
]

COMMENTS = ["good move", "the only move", "a mistake; better was the other capture",
            "time pressure", "White \"wins\" here", "{nested} remark", "; not a line comment"]


class Engine:
    def __init__(self, path, options):
        self.process = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.name = None
        self.send("uci")
        for line in self.lines("uciok"):
            if line.startswith("id name "):
                self.name = line[len("id name "):].strip()
        for name, value in options.items():
            self.send(f"setoption name {name} value {value}")
        self.send("isready")
        list(self.lines("readyok"))

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def lines(self, until):
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("engine ended")
            yield line.rstrip("\n")
            if line.startswith(until):
                return

    def best_move(self, fen, moves, go):
        self.send(f"position fen {fen}" + (" moves " + " ".join(moves) if moves else ""))
        self.send(go)
        for line in self.lines("bestmove"):
            if line.startswith("bestmove"):
                return line.split()[1]

    def quit(self):
        self.send("quit")
        self.process.wait(timeout=5)


def judge(tool, fen, moves):
    """SAN of each move, the end and the claimable draw, as velkor-chess sees them."""
    out = subprocess.run([tool, "play", fen, *moves], capture_output=True, text=True).stdout
    sans, end, claim = [], "none", "none"
    for line in out.splitlines():
        head, _, rest = line.partition(" ")
        if head == "end":
            end = rest
        elif head == "claim":
            claim = rest
        elif head == "illegal":
            # Play past the end of the game: the end lies earlier and is found from there.
            end = "past the end"
        elif head not in ("fen", "key"):
            sans.append(rest)
    return sans, end, claim


def legal_moves(tool, fen, moves):
    out = subprocess.run([tool, "play", fen, *moves], capture_output=True, text=True).stdout
    position = next((line[4:] for line in out.splitlines() if line.startswith("fen ")), None)
    if position is None:
        return []
    listing = subprocess.run([tool, "legal", position], capture_output=True, text=True).stdout
    return [line.split()[0] for line in listing.splitlines() if line.strip()]


def result_of(end, fen, moves):
    if end.startswith("checkmate"):
        return "1-0" if end.endswith("white") else "0-1"
    return "1/2-1/2"


def play_game(tool, rng, number, stockfish, toga):
    use_position = rng.random() < 0.35
    fen = rng.choice(POSITIONS) if use_position else START
    moves = [] if use_position else (rng.choice(OPENINGS).split())
    # The two engines stay up for the whole corpus; each game starts them afresh.
    skill = rng.randint(0, 20)
    stockfish.send(f"setoption name Skill Level value {skill}")
    for engine in (stockfish, toga):
        engine.send("ucinewgame")
        engine.send("isready")
        list(engine.lines("readyok"))
    players = [(stockfish, f"{stockfish.name} (Skill {skill})"), (toga, toga.name)]
    rng.shuffle(players)
    (white, white_label), (black, black_label) = players
    labels = [white_label, black_label]
    go = rng.choice(["go depth 1", "go depth 2", "go depth 3", "go depth 4", "go movetime 5"])
    blunder_rate = rng.choice([0.0, 0.0, 0.05, 0.15])
    result, sans = "*", []
    # velkor-chess is asked every few plies (and whenever an engine has no move); when it
    # finds an end or a claimable draw, the plies since the last look are judged one by one,
    # so the game stops exactly where it first could.
    checked = 0
    while len(moves) < 320:
        side = white if len(moves) % 2 == (0 if " w " in fen else 1) else black
        if rng.random() < blunder_rate:
            move = rng.choice(legal_moves(tool, fen, moves) or ["0000"])
        else:
            move = side.best_move(fen, moves, go)
        if move in ("(none)", "0000", None) or len(moves) - checked >= 6:
            sans, end, claim = judge(tool, fen, moves)
            if end != "none" or claim != "none":
                for length in range(checked, len(moves) + 1):
                    sans, end, claim = judge(tool, fen, moves[:length])
                    if end != "none" or claim != "none":
                        break
                moves = moves[:length]
                result = result_of(end, fen, moves) if end != "none" else "1/2-1/2"
                break
            checked = len(moves)
            if move in ("(none)", "0000", None):
                break
        moves.append(move)
    sans, _, _ = judge(tool, fen, moves)
    annotate = rng.random() < 0.2
    tags = [("Event", "Velkor corpus"), ("Site", "Velkor Linux"), ("Date", "2026.12.08"),
            ("Round", str(number)), ("White", labels[0]), ("Black", labels[1]),
            ("Result", result), ("TimeControl", "-")]
    if fen != START:
        tags += [("SetUp", "1"), ("FEN", fen)]
    if rng.random() < 0.3:
        tags.append(("Annotator", "make-pgn-corpus \"low depth\" \\ " + go))
    text = "".join(f'[{name} "{value.replace(chr(92), chr(92) * 2).replace(chr(34), chr(92) + chr(34))}"]\n'
                   for name, value in tags) + "\n"
    fields = fen.split()
    white_to_move = fields[1] == "w"
    number_now = int(fields[5])
    tokens = []
    after_note = True
    for san in sans:
        if white_to_move:
            tokens.append(f"{number_now}. {san}")
        elif after_note:
            tokens.append(f"{number_now}... {san}")
        else:
            tokens[-1] += " " + san
        if not white_to_move:
            number_now += 1
        white_to_move = not white_to_move
        after_note = False
        if annotate and rng.random() < 0.15:
            tokens.append(f"${rng.choice([1, 2, 3, 4, 5, 6, 10, 14, 16, 18, 19, 36])}")
            after_note = True
        if annotate and rng.random() < 0.1:
            comment = rng.choice(COMMENTS)
            tokens.extend(("{" + comment + "}").split())
            after_note = True
    if result != "*":
        tokens.append(result)
    line, lines = "", []
    for token in tokens:
        if line and len(line) + 1 + len(token) > 80:
            lines.append(line)
            line = token
        else:
            line = f"{line} {token}" if line else token
    if line:
        lines.append(line)
    return text + "\n".join(lines) + "\n"


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    tool, out = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 2026)
    # Each game is written as soon as it is played, so an interrupted run keeps what it has.
    out_file = open(out, "w", encoding="utf-8", newline="\n")
    stockfish = Engine("/usr/games/stockfish", {"Threads": 1, "Hash": 16})
    toga = Engine("/usr/games/toga2", {"Hash": 16})
    for number in range(1, count + 1):
        out_file.write(("\n" if number > 1 else "") + play_game(tool, rng, number, stockfish, toga))
        out_file.flush()
        print(f"\r{number}/{count}", end="", file=sys.stderr, flush=True)
    print(file=sys.stderr)
    stockfish.quit()
    toga.quit()
    out_file.close()


if __name__ == "__main__":
    main()
