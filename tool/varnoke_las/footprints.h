// --footprints FILE: a GeoJSON (RFC 7946) feature collection with one feature per file judged,
// its box as a polygon in longitude and latitude (WGS 84), for a GIS. The corners and edges are
// transformed with PROJ from the file's EPSG code; a file whose system has no code, or whose
// box is not known, has no geometry (null), its properties all the same.
#ifndef VARNOKE_LAS_FOOTPRINTS_H
#define VARNOKE_LAS_FOOTPRINTS_H

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "judgement.h"

namespace varnoke_las {

class Footprints {
public:
    // False where this varnoke-las was built without PROJ.
    static bool available();

    Footprints();
    ~Footprints();
    Footprints(const Footprints &) = delete;
    Footprints &operator=(const Footprints &) = delete;

    // Creates (or empties) the file at `path`; on a failure `error` says why.
    bool open(const std::string &path, std::string &error);
    // One feature for the file of `result`. Called from one thread.
    void add(const FileResult &result);
    // Ends the collection and closes the file; false, with `error`, where writing failed.
    bool close(std::string &error);

    // The polygon of a box (min and max of X and Y) in the system of EPSG code `epsg`, in
    // longitude and latitude: 4 x kEdgePoints points counterclockwise from the south-west corner,
    // and that corner again; empty where PROJ cannot transform it. Public for the tests.
    static constexpr int kEdgePoints = 8;
    std::string polygon(uint32_t epsg, double min_x, double max_x, double min_y, double max_y);

private:
    struct Proj;
    std::unique_ptr<Proj> proj_;
    std::FILE *file_ = nullptr;
    std::string path_;
    bool first_ = true, failed_ = false;
};

}  // namespace varnoke_las

#endif
