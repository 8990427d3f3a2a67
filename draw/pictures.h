// Pictures as SVG text: a placement on the board, drawn from the board model as the window's
// painter draws it, and the catalogue of every piece record.
#pragma once

#include <string>

#include "app/solver.h"
#include "app/solver_state.h"
#include "draw/board_model.h"
#include "search/placement_file.h"

namespace tessera::draw {

// What a board picture shows besides the pieces: a title, the open spots, every number.
using BoardPicture = BoardContent;

// The page of a picture written to a file, in pixels (an SVG's own units).
inline constexpr int kPictureWidth = 1000, kPictureHeight = 1000;

// The title line of a picture: "puzzle, N pieces on the board, file".
std::string board_title(const std::string& puzzle, int pieces, const std::string& file);

// A placement file as `tessera render` draws it in either format: titled with the puzzle, the
// number of pieces and the file, every piece numbered, and with `spots` the open spots that the
// solver, resuming from the file, would leave (none when the file does not load as a resume).
BoardModel placement_picture(Solver& solver, const PlacementList& list, const std::string& placement,
                             const std::string& puzzle, bool spots);

// The board: its cells whole or half, each placed piece in its colour with its number (one
// group of class "piece" per placement), the pieces' outlines, the marks and open spots of the
// model, and the board's outline.
std::string board_svg(const BoardModel& model, double width = kPictureWidth, double height = kPictureHeight);
std::string board_svg(const Catalogue& prvky, const PlacementList& list, const BoardPicture& options);

// Every piece in its six orientation records, as they lie in the record grid: the anchor cell
// marked with a dot and every hole with a ring and its kind.
std::string catalogue_svg(const SolverState& s);

}  // namespace tessera::draw
