k = Hi { $name }
-term = Vrel
sel = { $n ->
    [one] One
   *[other] Many
}
attr = v
    .title = t
ok = fine
