# The pictures the capture comparisons draw (sourced by compare-captures.sh and
# compare-renderers.sh): every scene at two scene times and four grid sizes, and a stretch of the
# show with partial redraws (F3), the colour boost off and on (V), a zoom step and a transition.
scenes=(intro_boot wave_scroll plasma_storm cellular dual_fluid goo_bounce julia_blast mandelbrot
        cube starfield_warp end_credits)
times=(0.5 4.25)
grids=(36x14 120x42 173x60 430x150)
show_args=(--from 0 --to 16 --fps 4 --size 960x540
           --key 2:F3 --key 5:V --key 7.5:SPACE --key 9:- --key 11:F3 --key 13:V)
# The frames of that stretch that fall in a scene transition (the first scene's end with the skip
# at 7.5 s in it, and the second scene's end): the flight's quad is far larger than the window.
show_transition_frames=(25 26 27 28 29 30 62 63)
