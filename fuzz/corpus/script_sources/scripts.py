script_first_script = 0
script_second_script = 1
  ("first_script",
   [
     (assign, reg0 = 5, 5),
     (store_add, ":total", reg0, -1),
   ]),
  ("second_script",
   [(val_add, reg1, ":value"),
