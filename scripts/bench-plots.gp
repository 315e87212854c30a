# Plots of the benchmark results, from the data files that mox_bench_report writes.
# Usage: gnuplot -e "datadir='build-bench'; outdir='docs/perf'" scripts/bench-plots.gp
if (!exists("datadir")) datadir = "build-bench"
if (!exists("outdir")) outdir = "docs/perf"

set terminal svg size 720,440 dynamic font "sans,12"
set grid
set key top left
set logscale x 10

# Cost of one delivered update against the number of receivers of one change.
set output outdir."/fanout.svg"
set title "Fan-out: cost per delivered update (median, CPU time)"
set xlabel "dependents of the changed cell (N)"
set ylabel "ns per delivered update"
set yrange [0:*]
set xrange [0.5:20000]
plot datadir."/fanout.dat" using 1:2 with linespoints lw 2 pt 7 title "mox (Update per dependent)", \
     datadir."/fanout.dat" using 1:3 with linespoints lw 2 pt 5 title "boost.signals2 (slot per connection)"
