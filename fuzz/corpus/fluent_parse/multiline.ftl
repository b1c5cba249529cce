### Resource comment
## Group
# Message comment
welcome =
    Welcome to
      the workspace

    again
next = Next
