# fish completion for tolvane: every option by its letter and its long names, described as the
# help text has it. A number goes in the same word as its option (-s12, --size=12).
complete -c tolvane -f
# The two long names that take a number are offered whole with their "=", after which fish adds
# no space; the number then follows in the same word. They are offered after a lone "-" too, where
# fish lists the other long names. A word that already holds its "=" (or ":") is left as it is:
# offered again, the name would be complete, and fish would end the word there.
complete -c tolvane -s s -x -d 'Size of the password (4-32, default 8)'
complete -c tolvane -n 'string match -qr -- "^(-|--[^=:]*)\$" (commandline -ct)' -a --size= \
    -d 'Size of the password (4-32, default 8)'
complete -c tolvane -s n -x -d 'The number of passwords to generate (1-32767)'
complete -c tolvane -n 'string match -qr -- "^(-|--[^=:]*)\$" (commandline -ct)' -a --number= \
    -d 'The number of passwords to generate (1-32767)'
complete -c tolvane -s h -l help -d 'Display this help information'
complete -c tolvane -s v -l version -d 'Display the tolvane version'
complete -c tolvane -s u -l upper -d 'Passwords containing only upper case characters'
complete -c tolvane -l upper-only -d 'Passwords containing only upper case characters'
complete -c tolvane -l uppercase -d 'Passwords containing only upper case characters'
complete -c tolvane -l upper-case -d 'Passwords containing only upper case characters'
complete -c tolvane -l uppercase-only -d 'Passwords containing only upper case characters'
complete -c tolvane -l upper-case-only -d 'Passwords containing only upper case characters'
complete -c tolvane -s l -l lower -d 'Passwords containing only lower case characters'
complete -c tolvane -l lower-only -d 'Passwords containing only lower case characters'
complete -c tolvane -l lowercase -d 'Passwords containing only lower case characters'
complete -c tolvane -l lower-case -d 'Passwords containing only lower case characters'
complete -c tolvane -l lowercase-only -d 'Passwords containing only lower case characters'
complete -c tolvane -l lower-case-only -d 'Passwords containing only lower case characters'
complete -c tolvane -s a -l alpha -d 'Only alphabetic characters and no numerics'
complete -c tolvane -l alpha-only -d 'Only alphabetic characters and no numerics'
complete -c tolvane -l alphabetic -d 'Only alphabetic characters and no numerics'
complete -c tolvane -l alphabetic-only -d 'Only alphabetic characters and no numerics'
complete -c tolvane -s r -l required -d 'Passwords must contain at least one number'
complete -c tolvane -l required-number -d 'Passwords must contain at least one number'
complete -c tolvane -l required-numeric -d 'Passwords must contain at least one number'
complete -c tolvane -s y -l symbols -d 'Include symbol characters'
complete -c tolvane -l include_symbols -d 'Include symbol characters'
complete -c tolvane -l include-symbols -d 'Include symbol characters'
complete -c tolvane -s q -l sequence -d 'Passwords that contain no sequences'
complete -c tolvane -l sequence-check -d 'Passwords that contain no sequences'
