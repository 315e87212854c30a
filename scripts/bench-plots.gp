# Plots of the benchmark results, from the data files that mox_bench_report writes.
# Usage: gnuplot -e "datadir='build-bench'; outdir='docs/perf'" scripts/bench-plots.gp
if (!exists("datadir")) datadir = "build-bench"
if (!exists("outdir")) outdir = "docs/perf"

set terminal svg size 720,440 dynamic font "sans,12"
set grid
set key top left
set logscale x 10

# Cost of one delivered update against the number of receivers of one change (drawn when a run
# measured the fan-out).
if (system("test -s ".datadir."/fanout.dat && echo 1 || echo 0") == 1) {
    set output outdir."/fanout.svg"
    set title "Fan-out: cost per delivered update (median, CPU time)"
    set xlabel "dependents of the changed cell (N)"
    set ylabel "ns per delivered update"
    set yrange [0:*]
    set xrange [0.5:20000]
    plot datadir."/fanout.dat" using 1:2 with linespoints lw 2 pt 7 title "mox (Update per dependent)", \
         datadir."/fanout.dat" using 1:3 with linespoints lw 2 pt 5 title "boost.signals2 (slot per connection)", \
         datadir."/fanout.dat" using 1:4 with linespoints lw 2 pt 9 title "libsigc++ (slot per connection)"
}

# Archive throughput: MB/s of each library's own file, saving and restoring the same values.
# Drawn only when the data file is there (a run that measured the archive workloads).
if (system("test -s ".datadir."/archive.dat && echo 1 || echo 0") == 1) {
    set output outdir."/archive.svg"
    set title "Archive: save and restore of 100,000 leaves (median, CPU time)"
    unset logscale x
    set xrange [*:*]
    set yrange [0:*]
    set xlabel ""
    set ylabel "MB/s of the library's own file"
    set key top right
    set style data histograms
    set style histogram clustered gap 1
    set style fill solid 0.8 border -1
    set boxwidth 0.9
    plot datadir."/archive.dat" using 2:xtic(1) title "save", \
         "" using 3 title "restore"
}
